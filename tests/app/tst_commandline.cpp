// The command line: the options read, and the real program ending at once on --help,
// --version and a mistake, with no display.
#include "app/CommandLine.h"

#include <QProcess>
#include <QTextStream>
#include <QtTest>

namespace
{

struct Outcome {
    std::variant<CommandLine::Options, int> result;
    QString out;
    QString err;
};

Outcome parse(const QStringList &arguments)
{
    Outcome o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    o.result = CommandLine::parse(QStringList{"/usr/bin/orvel"} + arguments, out, err);
    return o;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral(ORVEL_VERSION_TEXT));
    }

    void optionsAndFile()
    {
        Outcome o = parse({});
        auto options = std::get<CommandLine::Options>(o.result);
        QVERIFY(options.recordDir.isEmpty() && !options.noRecord && options.file.isEmpty());

        o = parse({"--record-dir", "/tmp/r", "--no-record", "day.csv"});
        options = std::get<CommandLine::Options>(o.result);
        QCOMPARE(options.recordDir, QStringLiteral("/tmp/r"));
        QVERIFY(options.noRecord);
        QCOMPARE(options.file, QStringLiteral("day.csv"));
        QVERIFY(o.out.isEmpty() && o.err.isEmpty());

        o = parse({"--watch", "mqtts://broker.example:8884/orvel/site/mast1"});
        options = std::get<CommandLine::Options>(o.result);
        QVERIFY(options.watch);
        QCOMPARE(options.watch->broker.host, QStringLiteral("broker.example"));
        QCOMPARE(options.watch->broker.port, 8884);
        QVERIFY(options.watch->broker.tls);
        QCOMPARE(options.watch->topicPrefix, QStringLiteral("orvel/site/mast1"));

        // Qt's own options pass through to QApplication.
        o = parse({"-platform", "offscreen", "-reverse", "day.csv"});
        QCOMPARE(std::get<CommandLine::Options>(o.result).file, QStringLiteral("day.csv"));
    }

    void mistakesEndWithOne_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"--bogus"} << "Unknown option 'bogus'.";
        QTest::newRow("no value") << QStringList{"--record-dir"} << "Missing value";
        QTest::newRow("two files") << QStringList{"a.csv", "b.csv"} << "Only one FILE";
        // Each monitoring value through its parser, the message naming the option.
        QTest::newRow("port 0") << QStringList{"--port", "0"} << "--port: ";
        QTest::newRow("port word") << QStringList{"--port", "one"} << "--port: ";
        QTest::newRow("elevation reversed")
            << QStringList{"--elevation-limits", "5:-5"} << "--elevation-limits: ";
        QTest::newRow("azimuth beyond 360")
            << QStringList{"--azimuth-limits", "350:370"} << "--azimuth-limits: ";
        QTest::newRow("negative hold") << QStringList{"--alarm-hold", "-1"} << "--alarm-hold: ";
        QTest::newRow("hysteresis word") << QStringList{"--hysteresis", "half"} << "--hysteresis: ";
        QTest::newRow("negative watchdog")
            << QStringList{"--no-readings-after", "-3"} << "--no-readings-after: ";
        // A remote mast: the broker's address with the prefix, and nothing that ends it at once.
        QTest::newRow("watch without a prefix")
            << QStringList{"--watch", "mqtt://broker"} << "--watch: \"mqtt://broker\" names no";
        QTest::newRow("watch a wildcard")
            << QStringList{"--watch", "mqtt://broker/orvel/+/m1"} << "--watch: the topic prefix";
        QTest::newRow("watch over http")
            << QStringList{"--watch", "http://broker/orvel/m1"} << "--watch: ";
        QTest::newRow("watch with start")
            << QStringList{"--watch", "mqtt://broker/orvel/m1", "--start"} << "--start";
        QTest::newRow("watch with a file")
            << QStringList{"--watch", "mqtt://broker/orvel/m1", "day.csv"} << "FILE";
    }

    void monitoringOverridesTheSavedForThisRun()
    {
        Outcome o =
            parse({"--start", "--port", "3", "--elevation-limits", "-5:5", "--azimuth-limits",
                   "350:10", "--alarm-hold", "2.5", "--hysteresis", "0.2", "--no-readings-after",
                   "30", "--alarm-command", "/bin/tell me", "--no-resume"});
        QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
        const auto options = std::get<CommandLine::Options>(o.result);
        QVERIFY(options.start);
        QCOMPARE(options.port, 3);
        MonitoringSettings saved;
        saved.holdSeconds = 9;
        saved.alarmCommand = QStringLiteral("/bin/saved");
        const MonitoringSettings run = options.monitoring(saved);
        QCOMPARE(run.elevation, (LimitBand{true, -5, 5}));
        QCOMPARE(run.azimuth, (LimitBand{true, 350, 10}));
        QCOMPARE(run.holdSeconds, 2.5);
        QCOMPARE(run.hysteresisDegrees, 0.2);
        QCOMPARE(run.noReadingsAfterSeconds, 30);
        QCOMPARE(run.alarmCommand, QStringLiteral("/bin/tell me"));
        QVERIFY(!run.resume);

        // Nothing given: the saved settings as they are, the saved port kept.
        o = parse({});
        const auto plain = std::get<CommandLine::Options>(o.result);
        QVERIFY(!plain.start);
        QCOMPARE(plain.port, 0);
        QCOMPARE(plain.monitoring(saved), saved);
    }

    void mistakesEndWithOne()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Outcome o = parse(arguments);
        QCOMPARE(std::get<int>(o.result), 1);
        QVERIFY2(o.err.startsWith("orvel: ") && o.err.contains(message), qPrintable(o.err));
        QVERIFY(o.err.contains("Try 'orvel --help'"));
        QVERIFY(o.out.isEmpty());
    }

    // The installed program, without a display: these end before any window is made.
    void theProgramEndsAtOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--record-dir <DIR>"
                              << "";
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringLiteral("orvel " ORVEL_VERSION_TEXT "\n") << "";
        QTest::newRow("bogus") << QStringList{"--bogus"} << 1 << ""
                               << "orvel: Unknown option 'bogus'.";
    }

    void theProgramEndsAtOnce()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ORVEL_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
