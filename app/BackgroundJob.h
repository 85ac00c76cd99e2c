#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QThread;
class QWidget;
struct JobProgress;

// Runs slow work (reading or writing a large file) on a thread of its own, behind a progress
// dialog whose Cancel asks the work to stop. The window stays responsive throughout; `ended`
// runs on the GUI thread once the work has returned, unless the owner is gone by then (the work
// is then asked to stop and ends on its own).
//
// The jobs still running are kept, so that the program can stop them and wait for their threads
// before it ends, rather than leave a file half written by a thread nobody joins.
class BackgroundJobs
{
public:
    BackgroundJobs() = default;
    BackgroundJobs(const BackgroundJobs &) = delete;
    BackgroundJobs &operator=(const BackgroundJobs &) = delete;
    // Stops what still runs, waiting at most StopWaitMs.
    ~BackgroundJobs();

    // How long the program waits for its jobs when it quits.
    static constexpr int StopWaitMs = 2000;

    void run(QWidget *owner, const QString &label, std::function<void(JobProgress &)> work,
             std::function<void(bool cancelled)> ended);

    // Asks every running job to stop and waits for their threads until the deadline. True when
    // none is left running; a thread still stuck then (a disk that does not answer) is left to
    // end with the process.
    bool stopAll(QDeadlineTimer deadline);
    int running() const { return int(jobs_.size()); }

private:
    struct Job {
        QThread *thread;
        std::shared_ptr<JobProgress> progress;
    };
    void forget(QThread *thread);

    std::vector<Job> jobs_;
    // Tells the jobs' finish handlers whether this object still exists.
    std::shared_ptr<BackgroundJobs *> self_ = std::make_shared<BackgroundJobs *>(this);
};
