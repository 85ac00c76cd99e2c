#include "BrokerSubscriber.h"
#include "MosquittoBroker.h"
#include "SimulatorProcess.h"
#include "publish/MessagePayload.h"
#include "recording/RecordRow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace
{

// Generous: the machine that runs the tests may be busy with builds.
constexpr int WaitMs = 30000;
// The logger ends within 2 s of SIGTERM; the rest is the margin of a loaded machine.
constexpr int StopWithinMs = 2000 + 1500;

// Readings the broker may be passing on to the subscriber when it stops (a quarter of a second at
// 20 a second).
constexpr qsizetype InFlightAtStop = 5;

const QByteArray Prefix = "orvel/e2e/mast1";
const QByteArray ReadingTopic = Prefix + "/reading";
const QByteArray EventTopic = Prefix + "/event";
const QByteArray StatusTopic = Prefix + "/status";

// The readings of the day files in the folder, in order, as the broker should carry them.
QList<QByteArray> recordedPayloads(const QString &folder)
{
    QList<QByteArray> payloads;
    const QStringList files = QDir(folder).entryList({u"*.csv"_s}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        if (name.endsWith(u".events.csv"_s))
            continue;
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (const auto reading = RecordRow::parse(line.trimmed()))
                payloads.append(MessagePayload::reading(*reading));
        }
    }
    return payloads;
}

} // namespace

// orvel-logger as a child process: the simulator on one side, a real broker on the other.
class TestE2eLogger : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString recordDir_;
    QByteArray stderr_;

    void startLogger(QProcess &logger, const MosquittoBroker &broker, const SimulatorProcess &sim)
    {
        logger.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        QObject::connect(&logger, &QProcess::readyReadStandardError, &logger,
                         [this, &logger] { stderr_ += logger.readAllStandardError(); });
        const QString config = dir_.filePath(u"mast1.conf"_s);
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("mqtt-qos=1\nno-readings-after=0\n");
        file.close();
        logger.start(QStringLiteral(ORVEL_LOGGER),
                     {u"--port"_s, sim.ptyPath(), u"--record-dir"_s, recordDir_, u"--mqtt"_s,
                      broker.url(), u"--mqtt-topic"_s, QString::fromUtf8(Prefix), u"--config"_s,
                      config});
        QVERIFY(logger.waitForStarted(WaitMs));
    }

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        recordDir_ =
            dir_.filePath(u"recordings-"_s + QString::fromLatin1(QTest::currentTestFunction()));
        stderr_.clear();
    }

    // Every reading on the broker in order with the day file's values, across a broker restart
    // and a SIGHUP; SIGTERM puts "!STOP" on the wire and ends the logger cleanly and soon.
    void publishesWhatItRecordsThenStopsOnSigterm()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        // A kept session: the broker holds what arrives for it while it is away.
        BrokerSubscriber subscriber(broker.port(), Prefix + "/#", 1, "orvel-e2e-logger", true);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.isSubscribed(), WaitMs);
        SimulatorProcess sim;
        QVERIFY2(sim.start({u"--rate"_s, u"20"_s}), qPrintable(sim.errorString()));

        QProcess logger;
        startLogger(logger, broker, sim);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "online", WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.payloads(ReadingTopic).size() >= 20, WaitMs);

        // The broker away: the recording goes on, the readings wait.
        const qsizetype receivedAtStop = withoutRepeats(subscriber.payloads(ReadingTopic)).size();
        broker.stop();
        const qsizetype recordedBefore = recordedPayloads(recordDir_).size();
        QTRY_VERIFY_WITH_TIMEOUT(recordedPayloads(recordDir_).size() >= recordedBefore + 40,
                                 WaitMs);
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));

        // SIGHUP: the settings are read again and the readings go on into the files.
        ::kill(pid_t(logger.processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(stderr_.contains("Settings read again"), WaitMs);
        const qsizetype recordedAtHangup = recordedPayloads(recordDir_).size();
        QTRY_VERIFY_WITH_TIMEOUT(recordedPayloads(recordDir_).size() >= recordedAtHangup + 20,
                                 WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            withoutRepeats(subscriber.payloads(ReadingTopic)).size() >= recordedAtHangup, WaitMs);

        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(logger.processId()), SIGTERM);
        QVERIFY(logger.waitForFinished(WaitMs));
        const qint64 stoppedAfter = stopping.elapsed();
        qInfo("ended %lld ms after SIGTERM", stoppedAfter);
        QVERIFY2(stoppedAfter < StopWithinMs, qPrintable(QString::number(stoppedAfter)));
        QCOMPARE(logger.exitStatus(), QProcess::NormalExit);
        QCOMPARE(logger.exitCode(), 0);
        QVERIFY(sim.waitForLogLine(u"rx !STOP"_s, WaitMs));

        const QList<QByteArray> recorded = recordedPayloads(recordDir_);
        QVERIFY(recorded.size() >= recordedAtHangup + 20);
        QTRY_VERIFY_WITH_TIMEOUT(withoutRepeats(subscriber.payloads(ReadingTopic)).size() >=
                                     recorded.size() - InFlightAtStop,
                                 WaitMs);
        // The broker took every reading (each confirmed to the logger), but the readings it was
        // passing on to the subscriber when it stopped may come again after its restart, behind
        // newer ones, or not at all: those, and only those, may be out of place or missing.
        QSet<QByteArray> inFlight;
        for (qsizetype i = qMax<qsizetype>(0, receivedAtStop - 1);
             i < qMin(recorded.size(), receivedAtStop + InFlightAtStop); ++i)
            inFlight.insert(recorded[i]);
        const QList<QByteArray> received = withoutRepeats(subscriber.payloads(ReadingTopic));
        const auto settled = [&inFlight](QList<QByteArray> list) {
            list.removeIf([&inFlight](const QByteArray &p) { return inFlight.contains(p); });
            return list;
        };
        QCOMPARE(settled(received), settled(recorded));
        // The stream's end and "offline" said on the way out, and the disconnect taken: a clean
        // goodbye, not the broker's will.
        QTRY_VERIFY2_WITH_TIMEOUT(subscriber.payloads(EventTopic).join().contains("\"stream-end\""),
                                  QByteArray(broker.log().right(2000) + stderr_).constData(),
                                  WaitMs);
        QVERIFY(subscriber.payloads(EventTopic).constFirst().contains("\"stream-start\""));
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "offline", WaitMs);
        QTRY_VERIFY2_WITH_TIMEOUT(broker.logCount("Received DISCONNECT from") >= 1,
                                  broker.log().right(2000).constData(), WaitMs);
        const QStringList events =
            QDir(recordDir_).entryList({u"*.events.csv"_s}, QDir::Files, QDir::Name);
        QVERIFY(!events.isEmpty());
        QFile eventsFile(QDir(recordDir_).filePath(events.constLast()));
        QVERIFY(eventsFile.open(QIODevice::ReadOnly));
        QVERIFY(eventsFile.readAll().contains(",stream-end,"));

        // A line per event, none per reading.
        logger.waitForReadyRead(0);
        stderr_ += logger.readAllStandardError();
        QVERIFY2(stderr_.count('\n') < 20, stderr_.constData());
        QVERIFY(stderr_.contains("event "));
    }

    void statusTurnsOfflineWhenTheLoggerIsKilled()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        BrokerSubscriber subscriber(broker.port(), StatusTopic);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.isSubscribed(), WaitMs);
        SimulatorProcess sim;
        QVERIFY2(sim.start({u"--rate"_s, u"20"_s}), qPrintable(sim.errorString()));

        QProcess logger;
        startLogger(logger, broker, sim);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "online", WaitMs);
        logger.kill(); // SIGKILL: no chance to say goodbye
        QVERIFY(logger.waitForFinished(WaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "offline", WaitMs);
    }

    void portThatCannotOpenEndsWithTwoWhenNotResuming()
    {
        QProcess logger;
        logger.start(QStringLiteral(ORVEL_LOGGER),
                     {u"--port"_s, dir_.filePath(u"no-such-device"_s), u"--record-dir"_s,
                      recordDir_, u"--no-resume"_s});
        QVERIFY(logger.waitForFinished(WaitMs));
        QCOMPARE(logger.exitCode(), 2);
        QVERIFY(logger.readAllStandardError().contains("Cannot open"));
    }
};

QTEST_GUILESS_MAIN(TestE2eLogger)
#include "tst_e2e_logger.moc"
