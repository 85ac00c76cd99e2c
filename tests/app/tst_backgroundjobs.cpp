// Background jobs are stopped and joined when their keeper goes, and the program's quit waits
// for them within its bound.
#include "app/BackgroundJob.h"
#include "app/Program.h"
#include "recording/JobProgress.h"

#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <memory>

namespace
{

// A job's work that runs until it is cancelled or released, and says how it ended.
struct Work {
    QSemaphore release;
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> ended{false};
};

std::function<void(JobProgress &)> untilCancelled(const std::shared_ptr<Work> &w)
{
    return [w](JobProgress &progress) {
        while (!progress.isCancelled() && !w->release.tryAcquire(1, 10)) {
        }
        w->sawCancel = progress.isCancelled();
        w->ended = true;
    };
}

// Deaf to Cancel, as a read stuck on a disk that does not answer.
std::function<void(JobProgress &)> untilReleased(const std::shared_ptr<Work> &w)
{
    return [w](JobProgress &) {
        w->release.acquire();
        w->ended = true;
    };
}

} // namespace

class TestBackgroundJobs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void aFinishedJobReportsAndIsForgotten()
    {
        BackgroundJobs jobs;
        auto w = std::make_shared<Work>();
        w->release.release();
        int endings = 0;
        bool cancelled = true;
        jobs.run(nullptr, QStringLiteral("job"), untilCancelled(w), [&](bool c) {
            ++endings;
            cancelled = c;
        });
        QCOMPARE(jobs.running(), 1);
        QTRY_COMPARE(endings, 1);
        QVERIFY(!cancelled);
        QTRY_COMPARE(jobs.running(), 0);
    }

    void stoppingCancelsAndJoinsEveryJob()
    {
        BackgroundJobs jobs;
        auto a = std::make_shared<Work>();
        auto b = std::make_shared<Work>();
        jobs.run(nullptr, QStringLiteral("a"), untilCancelled(a), [](bool) {});
        jobs.run(nullptr, QStringLiteral("b"), untilCancelled(b), [](bool) {});
        QCOMPARE(jobs.running(), 2);
        QVERIFY(jobs.stopAll(QDeadlineTimer(30000)));
        // Joined: both ended before stopAll returned, without the event loop running.
        QVERIFY(a->ended && a->sawCancel);
        QVERIFY(b->ended && b->sawCancel);
        QCOMPARE(jobs.running(), 0);
    }

    void aJobThatWillNotStopIsLeftToEnd()
    {
        auto w = std::make_shared<Work>();
        {
            BackgroundJobs jobs;
            jobs.run(nullptr, QStringLiteral("stuck"), untilReleased(w), [](bool) {});
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("does not stop")));
            QVERIFY(!jobs.stopAll(QDeadlineTimer(50)));
            QCOMPARE(jobs.running(), 0);
            QVERIFY(!w->ended);
        }
        // The keeper is gone; the thread still ends cleanly once the disk answers.
        w->release.release();
        QTRY_VERIFY(w->ended);
    }

    // The wiring: the program's end stops what its chart menu started.
    void quittingStopsTheProgramsJobs()
    {
        QTemporaryDir recordings;
        auto program = std::make_unique<Program>(Recorder::Options{recordings.path()});
        auto w = std::make_shared<Work>();
        program->jobs().run(&program->window(), QStringLiteral("load"), untilCancelled(w),
                            [](bool) {});
        program.reset();
        QVERIFY(w->ended && w->sawCancel);
    }
};

QTEST_MAIN(TestBackgroundJobs)
#include "tst_backgroundjobs.moc"
