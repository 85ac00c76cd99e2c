// Ports that cannot be opened: one held by another process, one the user may not open. Both must
// say "Cannot open Com port n" with the system's reason under it. Root ignores a terminal's
// exclusive lock and its permissions, so these cases run as an ordinary user (run-unprivileged.sh)
// and skip when only root is available.
#include "ProgramRig.h"

#include <QSerialPort>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The other process: opens the port as a program holding it would, and keeps it until its
// input closes.
int holdPort(const QString &device)
{
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite)) {
        fprintf(stderr, "cannot hold %s: %s\n", qPrintable(device), qPrintable(port.errorString()));
        return 1;
    }
    fputs("held\n", stdout);
    fflush(stdout);
    char c;
    while (read(0, &c, 1) > 0) {
    }
    return 0;
}

} // namespace

class TestHardPorts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void busyPortIsReportedWithItsReason();
    void portWithoutPermissionIsReportedWithItsReason();
};

void TestHardPorts::init()
{
    if (geteuid() == 0)
        QSKIP("root ignores exclusive use and permissions; run as an ordinary user");
}

void TestHardPorts::busyPortIsReportedWithItsReason()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QProcess holder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVEL_HOLD_PORT"), sim.ptyPath());
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY2(holder.waitForReadyRead(5000), holder.readAllStandardError().constData());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));

    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Cannot open Com port 1")});
    const QString detail = rig.boxes.seen.first().detail;
    qInfo("busy port: \"%s\" / \"%s\"", qPrintable(rig.boxes.seen.first().text),
          qPrintable(detail));
    QVERIFY2(detail.contains(sim.ptyPath()), qPrintable(detail));
    QVERIFY2(detail.contains(QStringLiteral("another program holds")), qPrintable(detail));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));

    // Once the other program lets go, Start works.
    rig.ui.mnuStart->trigger();
    QVERIFY(rig.port.PortOpen());
    QVERIFY(sim.waitForLogLine(QStringLiteral("rx !START"), 3000));
    rig.ui.mnuStop->trigger();
}

void TestHardPorts::portWithoutPermissionIsReportedWithItsReason()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QByteArray device = sim.ptyPath().toLocal8Bit();
    QCOMPARE(::chmod(device.constData(), 0), 0);
    ProgramRig rig;
    rig.ui.mnuStart->trigger();
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("Cannot open Com port 1")});
    const QString detail = rig.boxes.seen.first().detail;
    qInfo("port without permission: \"%s\" / \"%s\"", qPrintable(rig.boxes.seen.first().text),
          qPrintable(detail));
    QVERIFY2(detail.contains(sim.ptyPath()), qPrintable(detail));
    QVERIFY2(detail.contains(QStringLiteral("dialout")), qPrintable(detail));
    QCOMPARE(::chmod(device.constData(), 0620), 0);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("ORVEL_HOLD_PORT")) {
        QCoreApplication app(argc, argv);
        return holdPort(qEnvironmentVariable("ORVEL_HOLD_PORT"));
    }
    QApplication app(argc, argv);
    TestHardPorts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hard_ports.moc"
