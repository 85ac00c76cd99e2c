#include "PtyClient.h"
#include "SimulatorProcess.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcSimulatorTest, "orvel.test.simulator")

// The simulator over its terminal: what the program will find on the line.
class TestSimulator : public QObject
{
    Q_OBJECT

private:
    // Starts the simulator and opens its terminal.
    bool connectTo(const QStringList &options = {})
    {
        sim_ = std::make_unique<SimulatorProcess>();
        if (!sim_->start(options)) {
            qCWarning(lcSimulatorTest, "%s", qPrintable(sim_->errorString()));
            return false;
        }
        return pty_.open(sim_->ptyPath());
    }

    QByteArray ask(const QByteArray &command, const QByteArray &end = "\r\n", int ms = 2000)
    {
        pty_.write(command + "\r\n");
        return pty_.readUntil(end, ms);
    }

    // The lines of a stream after its first line (the answer to "!START").
    static QList<QByteArray> records(const QByteArray &stream)
    {
        QList<QByteArray> lines = stream.split('\n');
        lines.removeFirst(); // "OK"
        lines.removeLast();  // a record cut by the end of the reading
        return lines;
    }

    std::unique_ptr<SimulatorProcess> sim_;
    PtyClient pty_;

private slots:
    void cleanup()
    {
        pty_.close();
        sim_.reset();
    }

    void rangeQueryIsAnsweredExactlyAtTheLineRate()
    {
        QVERIFY(connectTo());
        QElapsedTimer clock;
        clock.start();
        const QByteArray reply = ask("!RANGE?", "OK\r\n");
        QCOMPARE(reply, QByteArray("RANGE=FULL\r\nOK\r\nX").chopped(1));
        // 16 bytes at 9600,N,8,1 take about 16.7 ms on the line.
        QVERIFY2(clock.elapsed() >= 14, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(pty_.readFor(200).isEmpty());
    }

    void queriesGiveTheInitialValues_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("range") << QByteArray("RANGE") << QByteArray("FULL");
        QTest::newRow("handshake") << QByteArray("HANDSHAKE") << QByteArray("NONE");
        QTest::newRow("alarm angle") << QByteArray("ALARMANGLE") << QByteArray("45");
        QTest::newRow("alarm phone") << QByteArray("ALARMPHONE") << QByteArray("0123456789");
    }
    void queriesGiveTheInitialValues()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QVERIFY(connectTo({u"--unpaced"_s}));
        QCOMPARE(ask('!' + name + '?', "OK\r\n"), name + '=' + value + "\r\nOK\r\n");
    }

    void settingIsStoredAndQueriedBack_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("range half") << QByteArray("RANGE") << QByteArray("HALF");
        QTest::newRow("handshake") << QByteArray("HANDSHAKE") << QByteArray("HARDWARE");
        QTest::newRow("angle 00") << QByteArray("ALARMANGLE") << QByteArray("00");
        QTest::newRow("angle 90") << QByteArray("ALARMANGLE") << QByteArray("90");
        QTest::newRow("phone one digit") << QByteArray("ALARMPHONE") << QByteArray("5");
    }
    void settingIsStoredAndQueriedBack()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QVERIFY(connectTo({u"--unpaced"_s}));
        QCOMPARE(ask('!' + name + '=' + value), QByteArray("OK\r\n"));
        QCOMPARE(ask('!' + name + '?', "OK\r\n"), name + '=' + value + "\r\nOK\r\n");
    }

    void badValuesAreRefusedAndNotStored_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("range lower case") << QByteArray("RANGE") << QByteArray("half");
        QTest::newRow("range empty") << QByteArray("RANGE") << QByteArray();
        QTest::newRow("handshake") << QByteArray("HANDSHAKE") << QByteArray("SOFTWARE");
        QTest::newRow("angle 91") << QByteArray("ALARMANGLE") << QByteArray("91");
        QTest::newRow("angle one digit") << QByteArray("ALARMANGLE") << QByteArray("5");
        QTest::newRow("angle three digits") << QByteArray("ALARMANGLE") << QByteArray("045");
        QTest::newRow("angle sign") << QByteArray("ALARMANGLE") << QByteArray("-5");
        QTest::newRow("phone empty") << QByteArray("ALARMPHONE") << QByteArray();
        QTest::newRow("phone blank") << QByteArray("ALARMPHONE") << QByteArray("12 34");
        QTest::newRow("phone plus") << QByteArray("ALARMPHONE") << QByteArray("+4412");
    }
    void badValuesAreRefusedAndNotStored()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QVERIFY(connectTo({u"--unpaced"_s}));
        const QByteArray before = ask('!' + name + '?', "OK\r\n");
        QCOMPARE(ask('!' + name + '=' + value), QByteArray("ERROR\r\n"));
        QCOMPARE(ask('!' + name + '?', "OK\r\n"), before);
    }

    void unknownCommandsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("unknown") << QByteArray("!FOO");
        QTest::newRow("unknown query") << QByteArray("!FOO?");
        QTest::newRow("no bang") << QByteArray("RANGE?");
        QTest::newRow("lower case") << QByteArray("!range?");
        QTest::newRow("bare bang") << QByteArray("!");
    }
    void unknownCommandsAreRefused()
    {
        QFETCH(QByteArray, command);
        QVERIFY(connectTo({u"--unpaced"_s}));
        QCOMPARE(ask(command), QByteArray("ERROR\r\n"));
    }

    void bareCrOrLfEndsACommand()
    {
        QVERIFY(connectTo({u"--unpaced"_s}));
        pty_.write("!HANDSHAKE?\r");
        QCOMPARE(pty_.readUntil("OK\r\n", 2000), QByteArray("HANDSHAKE=NONE\r\nOK\r\n"));
        pty_.write("!HANDSHAKE?\n");
        QCOMPARE(pty_.readUntil("OK\r\n", 2000), QByteArray("HANDSHAKE=NONE\r\nOK\r\n"));
        // A command arriving in pieces is still one command.
        pty_.write("!HAND");
        QTest::qWait(50);
        pty_.write("SHAKE?\r\n");
        QCOMPARE(pty_.readUntil("OK\r\n", 2000), QByteArray("HANDSHAKE=NONE\r\nOK\r\n"));
    }

    void statusEndsAtItsOnlyOk()
    {
        QVERIFY(connectTo({u"--unpaced"_s}));
        const QByteArray status = ask("!STATUS?", "OK\r\n");
        QVERIFY(status.endsWith("\r\nOK\r\n"));
        // The program reads up to the first OK CR LF: it must be the last line.
        QCOMPARE(status.indexOf("OK\r\n"), status.size() - 4);
        QVERIFY(status.count("\r\n") >= 3);
    }

    void startStreamsRecordsThatParseAtTheLineRate()
    {
        QVERIFY(connectTo());
        QElapsedTimer clock;
        clock.start();
        pty_.write("!START\r\n");
        const QByteArray stream = pty_.readFor(1000);
        const double seconds = clock.elapsed() / 1000.0;
        QVERIFY(stream.startsWith("OK\r\n"));
        const QList<QByteArray> lines = records(stream);
        // Back to back; a record holds 13 bytes or more, 13.5 ms on the line, so never more
        // than 74 a second. A loaded machine may run the simulator late, never early: the lower
        // bound is generous (a quarter of the line rate) and only tells a stream from a trickle.
        const QString counted = QStringLiteral("%1 in %2 s").arg(lines.size()).arg(seconds);
        QVERIFY2(lines.size() <= 74 * seconds + 2, qPrintable(counted));
        QVERIFY2(lines.size() >= 18 * seconds, qPrintable(counted));
        for (const QByteArray &line : lines) {
            QVERIFY2(line.endsWith('\r'), line.constData());
            QVERIFY2(line.size() >= 11, line.constData());
            const QList<QByteArray> fields = line.chopped(1).split(',');
            QCOMPARE(fields.size(), 2);
            bool okElevation = false, okAzimuth = false;
            const double elevation = fields[0].toDouble(&okElevation);
            const double azimuth = fields[1].toDouble(&okAzimuth);
            QVERIFY2(okElevation && okAzimuth, line.constData());
            QVERIFY(elevation >= -90 && elevation <= 90);
            QVERIFY(azimuth >= 0 && azimuth < 360);
        }
    }

    void rateOptionSetsRecordsPerSecond()
    {
        QVERIFY(connectTo({u"--rate"_s, u"10"_s}));
        QElapsedTimer clock;
        clock.start();
        pty_.write("!START\r\n");
        const qsizetype count = records(pty_.readFor(1050)).size();
        const double expected = 10 * clock.elapsed() / 1000.0;
        // Never early; late by up to half on a loaded machine, which may run the simulator late.
        QVERIFY2(count >= expected / 2 - 1 && count <= expected + 2,
                 qPrintable(QStringLiteral("%1, expected %2").arg(count).arg(expected)));
    }

    void stopAnswersOkAndEndsTheStream()
    {
        QVERIFY(connectTo());
        pty_.write("!START\r\n");
        QByteArray stream = pty_.readFor(300);
        QVERIFY(!records(stream).isEmpty());
        pty_.write("!STOP\r\n");
        stream += pty_.readUntil("\nOK\r\n", 2000);
        QVERIFY2(stream.endsWith("\r\nOK\r\n"), stream.right(40).toPercentEncoding().constData());
        QCOMPARE(pty_.readFor(300), QByteArray());
        QVERIFY(sim_->waitForLogLine(u"rx !STOP"_s, 1000));
    }

    // The log says how many records had reached the line when the program closed its port.
    void closingLogsTheRecordsSent()
    {
        QVERIFY(connectTo());
        pty_.write("!START\r\n");
        const qsizetype received = records(pty_.readFor(500)).size();
        pty_.close();
        QVERIFY(sim_->waitForLogLine(u"event port closed"_s, 1000));
        const QStringList sent = sim_->logLinesContaining(u" event sent "_s);
        QCOMPARE(sent.size(), 1);
        const qsizetype count = sent[0].section(u' ', 4, 4).toLongLong();
        // Sent but not yet read when the port closed: a few milliseconds of the line at most.
        QVERIFY2(count >= received && count <= received + 2,
                 qPrintable(QStringLiteral("%1 sent, %2 read").arg(count).arg(received)));
    }

    void logStampsEveryReceivedLine()
    {
        QVERIFY(connectTo({u"--unpaced"_s}));
        ask("!RANGE?", "OK\r\n");
        ask("!NOPE");
        const QStringList lines = sim_->logLinesContaining(u" rx "_s);
        QCOMPARE(lines.size(), 2);
        const QRegularExpression stamped(uR"(^\d+ \d\d:\d\d:\d\d\.\d{3} rx (.*)$)"_s);
        QCOMPARE(stamped.match(lines[0]).captured(1), u"!RANGE?"_s);
        QCOMPARE(stamped.match(lines[1]).captured(1), u"!NOPE"_s);
    }

    void staysUsableAcrossOpeningsAndClosings()
    {
        QVERIFY(connectTo({u"--unpaced"_s}));
        for (int round = 0; round < 5; ++round) {
            QVERIFY(pty_.open(sim_->ptyPath()));
            QCOMPARE(ask("!RANGE?", "OK\r\n"), QByteArray("RANGE=FULL\r\nOK\r\n"));
            pty_.close();
        }
        QVERIFY(sim_->waitForLogLine(u"event port closed"_s, 1000));
        // Left alone with no one on the line it must not spin on end of file.
        QVERIFY(sim_->isRunning());
    }

    void commandWrittenJustBeforeClosingIsReceived()
    {
        // The program's Stop on a closed port: open, write, close at once.
        QVERIFY(connectTo());
        for (int round = 0; round < 5; ++round) {
            QVERIFY(pty_.open(sim_->ptyPath()));
            pty_.write("!STOP\r\n");
            pty_.close();
            QTRY_COMPARE(sim_->logLinesContaining(u"rx !STOP"_s).size(), qsizetype(round + 1));
        }
    }

    void silentNeverAnswersButLogs()
    {
        QVERIFY(connectTo({u"--silent"_s}));
        pty_.write("!RANGE?\r\n!START\r\n");
        QCOMPARE(pty_.readFor(500), QByteArray());
        QVERIFY(sim_->waitForLogLine(u"rx !START"_s, 1000));
    }

    void refuseAnswersErrorToEverything()
    {
        QVERIFY(connectTo({u"--refuse"_s, u"--unpaced"_s}));
        QCOMPARE(ask("!RANGE?"), QByteArray("ERROR\r\n"));
        QCOMPARE(ask("!STOP"), QByteArray("ERROR\r\n"));
        QCOMPARE(ask("!START"), QByteArray("ERROR\r\n"));
        QCOMPARE(pty_.readFor(300), QByteArray()); // and no stream
    }

    void replyDelayHoldsTheReply()
    {
        QVERIFY(connectTo({u"--reply-delay"_s, u"300"_s, u"--unpaced"_s}));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ask("!RANGE?", "OK\r\n"), QByteArray("RANGE=FULL\r\nOK\r\n"));
        QVERIFY(clock.elapsed() >= 290);
    }

    void chunkCutsRepliesIntoPausedPieces()
    {
        QVERIFY(connectTo({u"--chunk"_s, u"4"_s, u"--chunk-pause"_s, u"80"_s, u"--unpaced"_s}));
        pty_.write("!RANGE?\r\n");
        const QList<PtyClient::Piece> pieces = pty_.readPieces(600);
        QByteArray all;
        for (const PtyClient::Piece &piece : pieces) {
            all += piece.bytes;
            QVERIFY(piece.bytes.size() <= 4);
        }
        QCOMPARE(all, QByteArray("RANGE=FULL\r\nOK\r\n"));
        QCOMPARE(pieces.size(), 4);
        // Three pauses of 80 ms lie between the first piece and the last. A piece read late on a
        // loaded machine shortens the gap after it, so only the whole span is held to a bound,
        // with room for the first piece to be read late.
        QVERIFY(pieces.last().atMs - pieces.first().atMs >= 180);
    }

    void garbageBytesComeBetweenTheAnswerAndTheRecords()
    {
        QVERIFY(connectTo({u"--garbage-bytes"_s, u"20"_s, u"--unpaced"_s, u"--rate"_s, u"20"_s}));
        pty_.write("!START\r\n");
        const QByteArray stream = pty_.readFor(300);
        QVERIFY(stream.startsWith("OK\r\n"));
        const QByteArray noise = stream.mid(4, 20);
        QCOMPARE(noise.size(), 20);
        QVERIFY(!noise.contains('\r') && !noise.contains('\n'));
        // The first line the program sees is the noise with the first record behind it.
        QVERIFY(stream.indexOf("\r\n", 4) > 24);
    }

    void garbageMixesBrokenLinesIntoTheStream()
    {
        QVERIFY(connectTo({u"--garbage"_s}));
        pty_.write("!START\r\n");
        const QList<QByteArray> lines = records(pty_.readFor(1000));
        const qsizetype good = std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) {
            return QRegularExpression(uR"(^-?\d+\.\d\d,\d{3}\.\d\d\r$)"_s)
                .match(QString::fromLatin1(l))
                .hasMatch();
        });
        QVERIFY(good >= 30);
        QVERIFY(good < lines.size());
    }

    void startingValuesAndAFixedRecordCanBeChosen()
    {
        QVERIFY(
            connectTo({u"--set"_s, u"RANGE=HALF"_s, u"--set"_s, u"ALARMPHONE=42"_s, u"--record"_s,
                       u"12.50,-3.25,7"_s, u"--unpaced"_s, u"--rate"_s, u"50"_s}));
        QCOMPARE(ask("!RANGE?", "OK\r\n"), QByteArray("RANGE=HALF\r\nOK\r\n"));
        QCOMPARE(ask("!ALARMPHONE?", "OK\r\n"), QByteArray("ALARMPHONE=42\r\nOK\r\n"));
        pty_.write("!START\r\n");
        const QList<QByteArray> lines = records(pty_.readFor(200));
        QVERIFY(!lines.isEmpty());
        for (const QByteArray &line : lines)
            QCOMPARE(line, QByteArray("12.50,-3.25,7\r"));

        // A starting value the device would refuse is an error at start.
        SimulatorProcess refused;
        QVERIFY(!refused.start({u"--set"_s, u"RANGE=QUARTER"_s}));
        QVERIFY(refused.errorString().contains(u"RANGE=QUARTER"_s));
    }

    void hangupAfterStartClosesTheLine()
    {
        QVERIFY(connectTo({u"--hangup-after"_s, u"0.4"_s}));
        QTest::qWait(600); // counted from the first "!START", not from the start
        QVERIFY(sim_->isRunning());
        QElapsedTimer clock;
        clock.start();
        pty_.write("!START\r\n");
        QVERIFY(pty_.waitForHangUp(3000));
        QVERIFY2(clock.elapsed() >= 350, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(sim_->waitForExit(2000));
        QVERIFY(!sim_->logLinesContaining(u"event hangup"_s).isEmpty());
    }

    void linkPointsAtTheTerminalUntilTheEnd()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"dravelin"_s);
        QVERIFY(connectTo({u"--link"_s, link}));
        QCOMPARE(QFileInfo(link).canonicalFilePath(),
                 QFileInfo(sim_->ptyPath()).canonicalFilePath());
        sim_->stop();
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
        QVERIFY(!sim_->logLinesContaining(u"event exit"_s).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
