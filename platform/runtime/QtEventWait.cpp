#include "platform/runtime/QtEventWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

QtEventWait::QtEventWait(QObject *parent) : QObject(parent) {}

void QtEventWait::processEvents(int maxMs)
{
    // A wake that came while no cycle ran (characters arrived between two cycles) must not be
    // lost: the cycle then only runs what is pending and returns.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (pendingWake_ || maxMs <= 0) {
        pendingWake_ = false;
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(maxMs);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    pendingWake_ = false;
}

void QtEventWait::interrupt()
{
    if (loop_)
        loop_->quit();
    else
        pendingWake_ = true;
}
