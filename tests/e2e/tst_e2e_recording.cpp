// Recording from end to end: the program, streaming at the line's full rate from the simulator,
// is killed with SIGKILL; the rows in its file are compared with what the program last said it
// had handed to the system, and with the records the simulator sent before the port closed.
#include "SimulatorProcess.h"
#include "recording/RecordRow.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace
{

struct Rows {
    qsizetype complete = 0;
    qsizetype unreadable = 0;
    bool ordered = true;
};

// Every day file's complete lines, as a reader takes them (a last line without its line end
// skipped).
Rows readRows(const QString &folder)
{
    Rows rows;
    qint64 last = 0;
    const QStringList files = QDir(folder).entryList({u"*.csv"_s}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        // The day's events file lies beside its recording.
        if (name.endsWith(QStringLiteral(".events.csv")))
            continue;
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        const QList<QByteArray> lines = data.left(data.lastIndexOf('\n') + 1).split('\n');
        for (const QByteArray &line : lines) {
            if (line.isEmpty() || RecordRow::isHeader(line))
                continue;
            const auto reading = RecordRow::parse(line);
            if (!reading) {
                ++rows.unreadable;
                continue;
            }
            rows.ordered = rows.ordered && reading->msecsSinceEpoch >= last;
            last = reading->msecsSinceEpoch;
            ++rows.complete;
        }
    }
    return rows;
}

} // namespace

class TestE2eRecording : public QObject
{
    Q_OBJECT

private slots:
    void killKeepsEveryRowHandedToTheSystem_data()
    {
        QTest::addColumn<int>("streamMs");
        // Different moments within the writer's half-second rounds.
        for (int ms : {1500, 2230, 3170, 4610})
            QTest::newRow(qPrintable(QStringLiteral("after %1 ms").arg(ms))) << ms;
    }
    void killKeepsEveryRowHandedToTheSystem()
    {
        QFETCH(int, streamMs);
        SimulatorProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QTemporaryDir folder;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(RECORDING_CHILD), {folder.path()});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(sim.waitForLogLine(u"rx !START"_s, 10000));
        QTest::qWait(streamMs);
        program.kill(); // SIGKILL
        QVERIFY(program.waitForFinished(5000));
        // The killed program leaves its lock on the terminal behind. Left there, it would keep a
        // later test that runs as another user, and gets the same terminal number, from the port.
        const QString lockName =
            QStringLiteral("LCK..") +
            sim.ptyPath().mid(QStringLiteral("/dev/").size()).replace(u'/', u'_');
        for (const QString &folder : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")})
            QFile::remove(folder + QLatin1Char('/') + lockName);
        QVERIFY(sim.waitForLogLine(u"event port closed"_s, 3000));

        const QStringList sentLines = sim.logLinesContaining(u" event sent "_s);
        QCOMPARE(sentLines.size(), 1);
        const qsizetype sent = sentLines[0].section(u' ', 4, 4).toLongLong();
        const Rows rows = readRows(folder.path());
        QCOMPARE(rows.unreadable, 0);
        QVERIFY(rows.ordered);
        // The child's last report before the kill.
        qsizetype handedOver = -1;
        const QList<QByteArray> reports = program.readAllStandardOutput().split('\n');
        for (const QByteArray &report : reports) {
            if (report.startsWith("written "))
                handedOver = report.mid(8).toLongLong();
        }
        const qsizetype lost = sent - rows.complete;
        qInfo("kill -9 after %d ms: %lld records sent, %lld handed to the system by the last "
              "report, %lld rows in the file, %lld lost (%.0f ms of the line's full rate)",
              streamMs, static_cast<long long>(sent), static_cast<long long>(handedOver),
              static_cast<long long>(rows.complete), static_cast<long long>(lost),
              lost * 1000.0 / 74.0);
        QVERIFY(handedOver > 0);
        // Whatever the kill interrupted, nothing the system had taken is missing, and nothing
        // is there that the device did not send. How much is lost besides depends on how long
        // the program had the processor before the kill: the stream benchmark's figure.
        QVERIFY2(rows.complete >= handedOver, qPrintable(QString::number(rows.complete)));
        QVERIFY(lost >= 0);
    }
};

QTEST_GUILESS_MAIN(TestE2eRecording)
#include "tst_e2e_recording.moc"
