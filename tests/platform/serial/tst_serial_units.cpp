#include "platform/serial/ComPortMap.h"
#include "platform/serial/LineSettings.h"
#include "platform/serial/PortFailure.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
            {"ttyS1", "/dev/ttyS1", false},    {"ttyUSB1", "/dev/ttyUSB1", true},
            {"ttyS10", "/dev/ttyS10", false},  {"ttyS0", "/dev/ttyS0", false},
            {"ttyACM0", "/dev/ttyACM0", true}, {"ttyUSB0", "/dev/ttyUSB0", true},
            {"ttyS2", "/dev/ttyS2", false},    {"ttyUSB10", "/dev/ttyUSB10", true},
            {"ttyUSB2", "/dev/ttyUSB2", true},
        };
        const QStringList expected = {"/dev/ttyACM0", "/dev/ttyUSB0",  "/dev/ttyUSB1",
                                      "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS0",
                                      "/dev/ttyS1",   "/dev/ttyS2",    "/dev/ttyS10"};
        QCOMPARE(ComPortMap::orderPorts(ports), expected);
    }

    void aSingleAdapterIsComPortOneBesideABuiltInPort()
    {
        const QList<PortDescription> ports = {{"ttyS0", "/dev/ttyS0", false},
                                              {"ttyUSB0", "/dev/ttyUSB0", true}};
        QCOMPARE(ComPortMap::orderPorts(ports).value(0), QString("/dev/ttyUSB0"));
        QCOMPARE(ComPortMap::orderPorts({}), QStringList());
    }

    void environmentWinsAndLinksAreResolved()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath("ttyFAKE0");
        const QString link = dir.filePath("by-id-link");
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
        QCOMPARE(ComPortMap::resolve(4).device, QString("/dev/nothing-here"));
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
        const PortFailure::Where usb{2, "/dev/ttyUSB0", false};
        const QString denied = PortFailure::describe(Cause::NoPermission, "Permission denied", usb);
        QVERIFY(denied.startsWith("Permission denied"));
        QVERIFY(denied.contains("sudo usermod -aG dialout $USER"));
        QVERIFY(denied.contains("log in again"));

        const QString busy = PortFailure::describe(Cause::Busy, "Device or resource busy", usb);
        QVERIFY(busy.contains("ModemManager") && busy.contains("/dev/ttyUSB0"));

        const QString none = PortFailure::describe(Cause::NoDevice, {}, {3, {}, false});
        QVERIFY(none.contains("Com Port 3") && none.contains("ORVEL_COM3"));

        const QString missing = PortFailure::describe(Cause::NotFound, "No such file or directory",
                                                      {1, "/dev/pts/77", true});
        QVERIFY(missing.contains("/dev/pts/77") && missing.contains("ORVEL_COM1"));

        // Two lines at most under a message box.
        for (const QString &text : {denied, busy, none, missing})
            QVERIFY2(text.size() < 200 && !text.contains('\n'), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestSerialUnits)
#include "tst_serial_units.moc"
