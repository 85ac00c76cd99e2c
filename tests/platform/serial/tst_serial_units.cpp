#include "platform/serial/ComPortMap.h"
#include "platform/serial/LineSettings.h"
#include "platform/serial/PortFailure.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using ComPortMap::PortDescription;

// The pure parts of the serial control: settings text, Com port order, failure texts.
class TestSerialUnits : public QObject
{
    Q_OBJECT

private slots:
    void settingsAreRead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("the device's")
            << "9600,N,8,1" << 9600 << int(QSerialPort::NoParity) << 8 << int(QSerialPort::OneStop);
        QTest::newRow("even, 7, 2") << "19200,E,7,2" << 19200 << int(QSerialPort::EvenParity) << 7
                                    << int(QSerialPort::TwoStop);
        QTest::newRow("odd lower case") << "4800,o,8,1" << 4800 << int(QSerialPort::OddParity) << 8
                                        << int(QSerialPort::OneStop);
        QTest::newRow("mark, 1.5") << "1200,M,5,1.5" << 1200 << int(QSerialPort::MarkParity) << 5
                                   << int(QSerialPort::OneAndHalfStop);
        QTest::newRow("space, blanks")
            << " 2400 , S , 6 , 1 " << 2400 << int(QSerialPort::SpaceParity) << 6
            << int(QSerialPort::OneStop);
    }
    void settingsAreRead()
    {
        QFETCH(QString, text);
        const auto settings = parseLineSettings(text);
        QVERIFY(settings);
        QTEST(int(settings->baudRate), "baud");
        QTEST(int(settings->parity), "parity");
        QTEST(int(settings->dataBits), "dataBits");
        QTEST(int(settings->stopBits), "stopBits");
    }

    void badSettingsAreRejected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("three fields") << "9600,N,8";
        QTest::newRow("five fields") << "9600,N,8,1,1";
        QTest::newRow("baud text") << "fast,N,8,1";
        QTest::newRow("baud zero") << "0,N,8,1";
        QTest::newRow("parity") << "9600,X,8,1";
        QTest::newRow("data bits 9") << "9600,N,9,1";
        QTest::newRow("data bits 4") << "9600,N,4,1";
        QTest::newRow("stop bits 3") << "9600,N,8,3";
    }
    void badSettingsAreRejected()
    {
        QFETCH(QString, text);
        QVERIFY(!parseLineSettings(text));
    }

    void usbAdaptersComeFirstThenNameOrder()
    {
        const QList<PortDescription> ports = {
            {u"ttyS1"_s, u"/dev/ttyS1"_s, false},    {u"ttyUSB1"_s, u"/dev/ttyUSB1"_s, true},
            {u"ttyS10"_s, u"/dev/ttyS10"_s, false},  {u"ttyS0"_s, u"/dev/ttyS0"_s, false},
            {u"ttyACM0"_s, u"/dev/ttyACM0"_s, true}, {u"ttyUSB0"_s, u"/dev/ttyUSB0"_s, true},
            {u"ttyS2"_s, u"/dev/ttyS2"_s, false},    {u"ttyUSB10"_s, u"/dev/ttyUSB10"_s, true},
            {u"ttyUSB2"_s, u"/dev/ttyUSB2"_s, true},
        };
        const QStringList expected = {u"/dev/ttyACM0"_s, u"/dev/ttyUSB0"_s,  u"/dev/ttyUSB1"_s,
                                      u"/dev/ttyUSB2"_s, u"/dev/ttyUSB10"_s, u"/dev/ttyS0"_s,
                                      u"/dev/ttyS1"_s,   u"/dev/ttyS2"_s,    u"/dev/ttyS10"_s};
        QCOMPARE(ComPortMap::orderPorts(ports), expected);
    }

    void aSingleAdapterIsComPortOneBesideABuiltInPort()
    {
        const QList<PortDescription> ports = {{u"ttyS0"_s, u"/dev/ttyS0"_s, false},
                                              {u"ttyUSB0"_s, u"/dev/ttyUSB0"_s, true}};
        QCOMPARE(ComPortMap::orderPorts(ports).value(0), u"/dev/ttyUSB0"_s);
        QCOMPARE(ComPortMap::orderPorts({}), QStringList());
    }

    void environmentWinsAndLinksAreResolved()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(u"ttyFAKE0"_s);
        const QString link = dir.filePath(u"by-id-link"_s);
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QFile::link(device, link));

        qputenv("ORVEL_COM4", link.toLocal8Bit());
        const ComPortMap::Mapping mapping = ComPortMap::resolve(4);
        QCOMPARE(mapping.device, QFileInfo(device).canonicalFilePath());
        QVERIFY(mapping.fromEnvironment);

        // A path that leads nowhere is kept, so the message can name it.
        qputenv("ORVEL_COM4", "/dev/nothing-here");
        QCOMPARE(ComPortMap::resolve(4).device, u"/dev/nothing-here"_s);
        qunsetenv("ORVEL_COM4");
        QVERIFY(!ComPortMap::resolve(4).fromEnvironment);
    }

    void permissionAndBusyAreToldApart()
    {
        using PortFailure::Cause;
        QCOMPARE(PortFailure::classify(QSerialPort::PermissionError, false), Cause::NoPermission);
        QCOMPARE(PortFailure::classify(QSerialPort::PermissionError, true), Cause::Busy);
        QCOMPARE(PortFailure::classify(QSerialPort::DeviceNotFoundError, true), Cause::NotFound);
        QCOMPARE(PortFailure::classify(QSerialPort::ResourceError, true), Cause::Lost);
        QCOMPARE(PortFailure::classify(QSerialPort::ReadError, true), Cause::Lost);
        QCOMPARE(PortFailure::classify(QSerialPort::OpenError, true), Cause::Other);
    }

    void failureTextsSayWhatToDo()
    {
        using PortFailure::Cause;
        const PortFailure::Where usb{2, u"/dev/ttyUSB0"_s, false};
        const QString denied =
            PortFailure::describe(Cause::NoPermission, u"Permission denied"_s, usb);
        QVERIFY(denied.startsWith(u"Permission denied"_s));
        QVERIFY(denied.contains(u"sudo usermod -aG dialout $USER"_s));
        QVERIFY(denied.contains(u"log in again"_s));

        const QString busy = PortFailure::describe(Cause::Busy, u"Device or resource busy"_s, usb);
        QVERIFY(busy.contains(u"ModemManager"_s) && busy.contains(u"/dev/ttyUSB0"_s));

        const QString none = PortFailure::describe(Cause::NoDevice, {}, {3, {}, false});
        QVERIFY(none.contains(u"Com Port 3"_s) && none.contains(u"ORVEL_COM3"_s));

        const QString missing = PortFailure::describe(
            Cause::NotFound, u"No such file or directory"_s, {1, u"/dev/pts/77"_s, true});
        QVERIFY(missing.contains(u"/dev/pts/77"_s) && missing.contains(u"ORVEL_COM1"_s));

        // Two lines at most under a message box.
        for (const QString &text : {denied, busy, none, missing})
            QVERIFY2(text.size() < 200 && !text.contains(u'\n'), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestSerialUnits)
#include "tst_serial_units.moc"
