#include "app/BackgroundJob.h"

#include "app/AppInfo.h"
#include "recording/JobProgress.h"

#include <QLoggingCategory>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace
{
Q_LOGGING_CATEGORY(lcJobs, "orvel.app.jobs")
} // namespace

BackgroundJobs::~BackgroundJobs()
{
    stopAll(QDeadlineTimer(StopWaitMs));
}

void BackgroundJobs::run(QWidget *owner, const QString &label,
                         std::function<void(JobProgress &)> work,
                         std::function<void(bool cancelled)> ended)
{
    constexpr int Steps = 1000;
    auto progress = std::make_shared<JobProgress>();
    QThread *thread = QThread::create([progress, work = std::move(work)] { work(*progress); });
    jobs_.push_back({thread, progress});

    auto *dialog = new QProgressDialog(label, QStringLiteral("Cancel"), 0, Steps, owner);
    dialog->setObjectName(QStringLiteral("orvelProgress"));
    dialog->setWindowTitle(AppInfo::title());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);

    auto *poll = new QTimer(dialog);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, progress] {
        const qint64 total = progress->total;
        if (total > 0)
            dialog->setValue(int(std::min<qint64>(Steps, progress->done * Steps / total)));
    });
    QObject::connect(dialog, &QProgressDialog::canceled, dialog,
                     [progress] { progress->cancelled = true; });
    // The window closing takes the dialog with it: the work stops and ends unobserved.
    QObject::connect(dialog, &QObject::destroyed, [progress] { progress->cancelled = true; });
    QObject::connect(thread, &QThread::finished, dialog,
                     [dialog, progress, ended = std::move(ended)] {
                         const bool cancelled = progress->isCancelled();
                         // Gone, not merely hidden, before any message about the result: a
                         // hidden progress dialog shows itself again from its own timers
                         // while a message box waits. The connection keeps this function
                         // alive until it returns.
                         delete dialog;
                         ended(cancelled);
                     });
    QObject::connect(thread, &QThread::finished, thread,
                     [thread, self = std::weak_ptr<BackgroundJobs *>(self_)] {
                         if (auto jobs = self.lock())
                             (*jobs)->forget(thread);
                         thread->deleteLater();
                     });

    dialog->setValue(0);
    poll->start();
    thread->start();
}

bool BackgroundJobs::stopAll(QDeadlineTimer deadline)
{
    for (const Job &job : jobs_)
        job.progress->cancelled = true;
    bool allEnded = true;
    for (const Job &job : jobs_) {
        if (job.thread->wait(deadline)) {
            // Joined here: the queued finish handler may never run now (the loop is over).
            delete job.thread;
        } else {
            qCWarning(lcJobs, "a background job does not stop; it ends with the program");
            allEnded = false;
        }
    }
    // Whatever is left no longer belongs to anyone that waits for it.
    jobs_.clear();
    return allEnded;
}

void BackgroundJobs::forget(QThread *thread)
{
    std::erase_if(jobs_, [thread](const Job &job) { return job.thread == thread; });
}
