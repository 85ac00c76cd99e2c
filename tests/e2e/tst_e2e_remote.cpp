// Watching a mast through the broker from end to end: the real program watches a prefix on the
// system's broker; a reading published there moves the gauges, lands on the chart and in the day's
// file, the notice says whose readings these are and that the publisher went offline, messages
// that are no readings are counted and passed over, and choosing Start ends the watching.
#include "BrokerSubscriber.h"
#include "MosquittoBroker.h"
#include "ProgramRig.h"

#include "app/RemoteMastAddress.h"
#include "app/RemoteWatch.h"
#include "app/WatchWiring.h"
#include "publish/MqttPublisher.h"
#include "watch/Watchman.h"

#include <QDir>
#include <QFile>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// Generous: the machine that runs the tests may be busy with builds.
constexpr int WaitMs = 20000;

QByteArray recordedText(const QString &folder)
{
    QByteArray text;
    const QStringList files = QDir(folder).entryList({u"*.csv"_s}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(QDir(folder).filePath(name));
        if (!name.endsWith(u".events.csv"_s) && file.open(QIODevice::ReadOnly))
            text += file.readAll();
    }
    return text;
}

} // namespace

class TestE2eRemote : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void publishedReadingShowsInTheProgramWatchingIt();
};

void TestE2eRemote::publishedReadingShowsInTheProgramWatchingIt()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    const QString prefix = u"orvel/site/mast1"_s;

    ProgramRig rig;
    auto address = RemoteMastAddress::parse(broker.url() + u'/' + prefix);
    QVERIFY(std::holds_alternative<SubscriberSettings>(address));
    rig.program.watchRemote(std::get<SubscriberSettings>(address));
    RemoteWatch &remote = rig.program.remote();
    QVERIFY(remote.isWatching());
    QVERIFY(rig.program.watch().watchman().streaming());

    PublisherSettings settings;
    settings.broker = std::get<SubscriberSettings>(address).broker;
    settings.topicPrefix = prefix;
    auto publisher = std::make_unique<MqttPublisher>(settings);
    // Anyone may write to the topics: what is no reading must not stop the ones that are.
    BrokerSubscriber stranger(broker.port(), prefix.toUtf8() + "/#");
    const QByteArray readingTopic = prefix.toUtf8() + "/reading";
    // Readings are not kept by the broker: published until the watcher's subscription takes
    // them.
    QTimer feed;
    connect(&feed, &QTimer::timeout, publisher.get(), [&] {
        stranger.publish(readingTopic, "12.5,-3.25");
        stranger.publish(readingTopic, QByteArray(64 * 1024, '{'));
        const QDateTime now = QDateTime::currentDateTime();
        publisher->readingAccepted({now.toMSecsSinceEpoch(), now.offsetFromUtc(), 2.5, 181.25});
    });
    feed.start(200);

    QTRY_COMPARE_WITH_TIMEOUT(rig.ui.Elevation->NeedleValue(), 2.5, WaitMs);
    QCOMPARE(rig.ui.Azimuth->NeedleValue(), 181.25);
    QVERIFY(rig.ui.Strip1->store().trace(0).appended() > 0);
    QVERIFY(rig.ui.Strip1->store().trace(1).appended() > 0);
    const QString watching = u"Watching orvel/site/mast1 on 127.0.0.1, last reading "_s;
    QTRY_VERIFY2_WITH_TIMEOUT(rig.ui.Strip1->notice().startsWith(watching),
                              qPrintable(rig.ui.Strip1->notice()), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(recordedText(rig.recordings.path()).contains(",2.5,181.25\r\n"),
                             WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(remote.refused() >= 2, WaitMs);
    QVERIFY(!recordedText(rig.recordings.path()).contains(",12.5,"));

    // The publisher leaves: its retained status says so.
    feed.stop();
    publisher.reset();
    QTRY_VERIFY2_WITH_TIMEOUT(rig.ui.Strip1->notice().contains(u", offline since "_s),
                              qPrintable(rig.ui.Strip1->notice()), WaitMs);
    QCOMPARE(remote.skipped(), 0u);

    // Start is the local port's again, and ends the watching.
    qputenv("ORVEL_COM1", "/dev/orvel-no-such-port");
    rig.ui.mnuStart->trigger();
    qunsetenv("ORVEL_COM1");
    QVERIFY(!remote.isWatching());
    QVERIFY(!rig.ui.Strip1->notice().startsWith(u"Watching"_s));
}

QTEST_MAIN(TestE2eRemote)
#include "tst_e2e_remote.moc"
