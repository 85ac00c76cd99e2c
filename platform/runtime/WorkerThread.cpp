#include "platform/runtime/WorkerThread.h"

#include <QThread>

bool endWorkerThread(QThread *thread, QObject *worker, int waitMs)
{
    if (!thread->wait(waitMs)) {
        QObject::connect(thread, &QThread::finished, thread, [worker, thread] {
            delete worker;
            thread->deleteLater();
        });
        return false;
    }
    delete worker;
    delete thread;
    return true;
}
