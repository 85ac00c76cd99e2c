// Number reading, the receive buffer and the readout format: the pure pieces of the record path.
#include "monitor/NumberReader.h"
#include "monitor/ReadoutFormat.h"
#include "monitor/ReceiveBuffer.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

class TestReaders : public QObject
{
    Q_OBJECT

private slots:
    void readNumber_data();
    void readNumber();
    void readNumberSurvivesHostileFields();
    void bufferCutsLinesInOrder();
    void bufferPiecesGiveSameLines();
    void bufferIsBounded();
    void bufferKeepsPartialLine();
    void formatOneDecimal_data();
    void formatOneDecimal();
    void formatUsesLocaleSeparator();
};

void TestReaders::readNumber_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << QByteArray("12.50") << 12.5;
    QTest::newRow("negative with CR") << QByteArray("-3.25\r") << -3.25;
    QTest::newRow("plus sign") << QByteArray("+7") << 7.0;
    QTest::newRow("blank inside") << QByteArray("1 2.5") << 12.5;
    QTest::newRow("tabs and line feeds") << QByteArray("\t-\n1\t.5 ") << -1.5;
    QTest::newRow("leading blanks") << QByteArray("   45") << 45.0;
    QTest::newRow("exponent") << QByteArray("1.5e2") << 150.0;
    QTest::newRow("exponent sign") << QByteArray("25E-1") << 2.5;
    QTest::newRow("exponent without digits") << QByteArray("12e") << 12.0;
    QTest::newRow("exponent sign without digits") << QByteArray("12e-x") << 12.0;
    QTest::newRow("trailing text") << QByteArray("12.5deg") << 12.5;
    QTest::newRow("second point stops") << QByteArray("1.2.3") << 1.2;
    QTest::newRow("leading point") << QByteArray(".5") << 0.5;
    QTest::newRow("trailing point") << QByteArray("5.") << 5.0;
    QTest::newRow("comma is not a decimal point") << QByteArray("1,5") << 1.0;
    QTest::newRow("text") << QByteArray("abc") << 0.0;
    QTest::newRow("empty") << QByteArray() << 0.0;
    QTest::newRow("sign only") << QByteArray("-") << 0.0;
    QTest::newRow("point only") << QByteArray(".") << 0.0;
    QTest::newRow("CR only") << QByteArray("\r") << 0.0;
    QTest::newRow("sign after digits stops") << QByteArray("5-3") << 5.0;
    QTest::newRow("zero exponent") << QByteArray("3e000") << 3.0;
}

void TestReaders::readNumber()
{
    QFETCH(QByteArray, field);
    QFETCH(double, expected);
    QCOMPARE(::readNumber(field), expected);
}

void TestReaders::readNumberSurvivesHostileFields()
{
    // Long digit runs and huge exponents must read sensibly, never overrun or crash.
    QVERIFY(qFuzzyCompare(::readNumber(QByteArray(200, '9')), 1e200));
    QVERIFY(std::isinf(::readNumber("1e999999999999999999")));
    QVERIFY(std::isinf(::readNumber("-1e400")));
    QCOMPARE(::readNumber("1e-999999"), 0.0);
    QCOMPARE(::readNumber(QByteArray("0." + QByteArray(500, '0') + "1")), 0.0);
    QCOMPARE(::readNumber(QByteArray("1." + QByteArray(500, '5') + "e1")), 15.555555555555555);
    auto *rng = QRandomGenerator::global();
    for (int i = 0; i < 20000; ++i) {
        QByteArray field(int(rng->bounded(40)), Qt::Uninitialized);
        for (char &c : field)
            c = "0123456789+-.eE \t\n\rx,"[rng->bounded(21)];
        const double value = ::readNumber(field);
        QVERIFY2(!std::isnan(value), field.constData());
    }
}

void TestReaders::bufferCutsLinesInOrder()
{
    ReceiveBuffer buffer;
    buffer.append("12.50,-3.25\r\nOK\r\n1,2");
    QByteArray line;
    QVERIFY(buffer.takeLine(line));
    QCOMPARE(line, QByteArray("12.50,-3.25\r"));
    QVERIFY(buffer.takeLine(line));
    QCOMPARE(line, QByteArray("OK\r"));
    QVERIFY(!buffer.takeLine(line));
    QCOMPARE(buffer.text(), QByteArrayView("1,2"));
    // A lone LF or CR is not a line end; CR and LF split across appends are.
    buffer.append("\n3\r");
    QVERIFY(!buffer.takeLine(line));
    buffer.append("\n");
    QVERIFY(buffer.takeLine(line));
    QCOMPARE(line, QByteArray("1,2\n3\r"));
    QCOMPARE(buffer.size(), 0);
    // An empty line is a line.
    buffer.append("\r\n");
    QVERIFY(buffer.takeLine(line));
    QCOMPARE(line, QByteArray("\r"));
}

void TestReaders::bufferPiecesGiveSameLines()
{
    QByteArray stream;
    for (int i = 0; i < 500; ++i)
        stream += QByteArray::number(i) + (i % 7 ? ",1.5\r\n" : "\r\r\n\n");
    QList<QByteArray> whole;
    {
        ReceiveBuffer buffer;
        buffer.append(stream);
        QByteArray line;
        while (buffer.takeLine(line))
            whole.append(line);
    }
    auto *rng = QRandomGenerator::global();
    for (int round = 0; round < 50; ++round) {
        ReceiveBuffer buffer;
        QList<QByteArray> lines;
        QByteArray line;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype piece = std::min<qsizetype>(1 + rng->bounded(20), stream.size() - at);
            buffer.append(QByteArrayView(stream).sliced(at, piece));
            at += piece;
            while (buffer.takeLine(line))
                lines.append(line);
        }
        QCOMPARE(lines, whole);
    }
}

void TestReaders::bufferIsBounded()
{
    ReceiveBuffer buffer(1024);
    QByteArray garbage(4000, 'x');
    for (int i = 0; i < 1000; ++i) {
        buffer.append(QByteArrayView(garbage).first(1 + i % 3000));
        QVERIFY(buffer.size() <= 1024);
    }
    // The newest characters are the ones kept, and the first good line after them is found.
    buffer.append("yz\r\n12.50,-3.25\r\n");
    QByteArray line;
    QVERIFY(buffer.takeLine(line));
    QVERIFY(line.endsWith("xyz\r"));
    QCOMPARE(line.size(), 1024 - 14);
    QVERIFY(buffer.takeLine(line));
    QCOMPARE(line, QByteArray("12.50,-3.25\r"));
    // One append larger than the bound keeps its tail.
    buffer.append(QByteArray(QByteArray(5000, 'a') + "b"));
    QCOMPARE(buffer.size(), 1024);
    QVERIFY(buffer.text().endsWith("ab"));
}

void TestReaders::bufferKeepsPartialLine()
{
    ReceiveBuffer buffer;
    QByteArray line;
    for (int i = 0; i < 10000; ++i) {
        buffer.append("10.00,20.00\r\n10.0");
        QVERIFY(buffer.takeLine(line));
        QVERIFY(!buffer.takeLine(line));
        buffer.append("0,30.00\r\n");
        QVERIFY(buffer.takeLine(line));
        QCOMPARE(line, QByteArray("10.00,30.00\r"));
    }
    QCOMPARE(buffer.size(), 0);
}

void TestReaders::formatOneDecimal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12.34") << 12.34 << "12.3";
    QTest::newRow("359.96") << 359.96 << "360.0";
    QTest::newRow("0.04") << 0.04 << "0.0";
    QTest::newRow("-0.25") << -0.25 << "-0.3";
    QTest::newRow("1.05") << 1.05 << "1.1";
    QTest::newRow("0.15") << 0.15 << "0.2";
    QTest::newRow("1234.5") << 1234.5 << "1234.5";
    QTest::newRow("-0.04") << -0.04 << "-0.0";
    QTest::newRow("-0.05") << -0.05 << "-0.1";
    QTest::newRow("negative zero") << -0.0 << "0.0";
    QTest::newRow("-1e-300") << -1e-300 << "-0.0";
    QTest::newRow("-89.95") << -89.95 << "-90.0";
    QTest::newRow("999.95") << 999.95 << "1000.0";
    QTest::newRow("zero") << 0.0 << "0.0";
    QTest::newRow("integer") << 45.0 << "45.0";
    QTest::newRow("2.675") << 2.675 << "2.7";
    QTest::newRow("tiny") << 1e-300 << "0.0";
    QTest::newRow("large") << 1e20 << "100000000000000000000.0";
    QTest::newRow("0.05") << 0.05 << "0.1";
}

void TestReaders::formatOneDecimal()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(::formatOneDecimal(value, QLocale::c()), expected);
}

void TestReaders::formatUsesLocaleSeparator()
{
    QCOMPARE(::formatOneDecimal(1234.56, QLocale(QLocale::German)), QStringLiteral("1234,6"));
    QCOMPARE(::formatOneDecimal(-0.25, QLocale(QLocale::French)), QStringLiteral("-0,3"));
    QVERIFY(!::formatOneDecimal(std::nan(""), QLocale::c()).isEmpty());
}

QTEST_GUILESS_MAIN(TestReaders)
#include "tst_readers.moc"
