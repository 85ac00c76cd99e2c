#include "platform/notify/DesktopNotifier.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

using namespace Qt::StringLiterals;

// Plays the desktop's notification service on the test's own bus.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received;
    uchar urgency = 0;

public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int)
    {
        received << app + u'|' + summary + u'|' + body;
        urgency = hints.value(u"urgency"_s).value<uchar>();
        return 7;
    }
};

// Notifications reach the service without waiting for it, and nothing breaks where there is
// none.
class TestNotifier : public QObject
{
    Q_OBJECT

private:
    QProcess daemon;
    QTemporaryDir dir;
    QString address;

private slots:
    void initTestCase()
    {
        const QString program = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (program.isEmpty())
            return;
        // A bus of the test's own, which starts no services (a desktop's own notification
        // daemon must not answer here).
        const QString config = dir.filePath(u"bus.conf"_s);
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=" +
                   dir.path().toUtf8() +
                   "</listen><policy context=\"default\"><allow send_destination=\"*\" "
                   "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                   "</policy></busconfig>\n");
        file.close();
        daemon.start(program, {u"--config-file="_s + config, u"--nofork"_s, u"--print-address"_s});
        if (!daemon.waitForReadyRead(10000))
            return;
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    void cleanupTestCase()
    {
        daemon.kill();
        daemon.waitForFinished();
    }

    void reachesTheService()
    {
        if (address.isEmpty())
            QSKIP("no bus daemon to run");
        QDBusConnection serviceBus = QDBusConnection::connectToBus(address, u"service"_s);
        FakeNotificationService service;
        QVERIFY(serviceBus.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(serviceBus.registerService(u"org.freedesktop.Notifications"_s));

        DesktopNotifier notifier(u"Orvel"_s, QDBusConnection::connectToBus(address, u"app"_s));
        QSignalSpy shown(&notifier, &DesktopNotifier::shown);
        QVERIFY(notifier.available());
        QVERIFY(notifier.notify(u"Elevation above 5.0"_s, u"since 14:03:05"_s, true));
        QTRY_COMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toUInt(), 7u);
        QCOMPARE(service.received, QStringList{u"Orvel|Elevation above 5.0|since 14:03:05"_s});
        QCOMPARE(service.urgency, uchar(2));
        serviceBus.unregisterService(u"org.freedesktop.Notifications"_s);
    }

    void noServiceIsReportedOnly()
    {
        if (address.isEmpty())
            QSKIP("no bus daemon to run");
        DesktopNotifier notifier(u"Orvel"_s, QDBusConnection::connectToBus(address, u"alone"_s));
        QSignalSpy refused(&notifier, &DesktopNotifier::refused);
        QVERIFY(notifier.notify(u"title"_s, u"body"_s));
        QTRY_COMPARE(refused.count(), 1);
    }

    void noBus()
    {
        DesktopNotifier notifier(u"Orvel"_s, QDBusConnection(u"never connected"_s));
        QVERIFY(!notifier.available());
        QVERIFY(!notifier.notify(u"title"_s, u"body"_s));
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
