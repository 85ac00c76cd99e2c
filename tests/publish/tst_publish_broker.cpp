#include "BrokerSubscriber.h"
#include "MosquittoBroker.h"
#include "publish/BrokerAddress.h"
#include "publish/MessagePayload.h"
#include "publish/MqttPublisher.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <limits>
#include <memory>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace
{

// Generous: the machine that runs the tests may be busy with builds.
constexpr int WaitMs = 30000;

constexpr qint64 FirstMsecs = 1796648709123;

const QByteArray Prefix = "orvel/test-host/ttyUSB0";
const QByteArray ReadingTopic = Prefix + "/reading";
const QByteArray EventTopic = Prefix + "/event";
const QByteArray StatusTopic = Prefix + "/status";

// The n-th reading of a run: 74 a second, a missing azimuth now and then.
Reading nthReading(int n)
{
    return {FirstMsecs + n * 1000 / 74, 3600, n * 0.25 - 40.0,
            n % 7 == 3 ? std::numeric_limits<double>::quiet_NaN() : 180.0 - n * 0.5};
}

QList<QByteArray> expectedPayloads(int from, int to)
{
    QList<QByteArray> payloads;
    for (int n = from; n < to; ++n)
        payloads.append(MessagePayload::reading(nthReading(n)));
    return payloads;
}

void publishReadings(MqttPublisher &publisher, int from, int to)
{
    for (int n = from; n < to; ++n)
        publisher.readingAccepted(nthReading(n));
}

} // namespace

class TestPublishBroker : public QObject
{
    Q_OBJECT

private:
    PublisherSettings settingsFor(const MosquittoBroker &broker) const
    {
        PublisherSettings settings;
        settings.broker.host = u"127.0.0.1"_s;
        settings.broker.port = broker.port();
        settings.topicPrefix = QString::fromUtf8(Prefix);
        settings.reconnectMinSeconds = 1;
        settings.reconnectMaxSeconds = 1;
        return settings;
    }

private slots:
    void readingsArriveInOrderWithTheirJson()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        BrokerSubscriber subscriber(broker.port(), "orvel/#");
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.isSubscribed(), WaitMs);

        auto publisher = std::make_unique<MqttPublisher>(settingsFor(broker));
        QTRY_VERIFY_WITH_TIMEOUT(publisher->isConnected(), WaitMs);
        publishReadings(*publisher, 0, 1000);
        PublishedEvent event;
        event.msecsSinceEpoch = FirstMsecs;
        event.utcOffsetSeconds = 3600;
        event.event = u"no-readings-start"_s;
        publisher->publishEvent(event);

        QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(ReadingTopic).size(), 1000, WaitMs);
        QCOMPARE(subscriber.payloads(ReadingTopic), expectedPayloads(0, 1000));
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(EventTopic),
                                  QList<QByteArray>{MessagePayload::event(event)}, WaitMs);
        QCOMPARE(subscriber.last(StatusTopic), "online");

        // Ending on purpose says so too.
        publisher.reset();
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "offline", WaitMs);
    }

    void statusTurnsOfflineWhenThePublisherIsKilled()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        QProcess child;
        // A test that fails half-way must not leave it behind.
        child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        child.start(QStringLiteral(PUBLISH_CHILD), {broker.url(), QString::fromUtf8(Prefix)});
        QVERIFY(child.waitForStarted(WaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), WaitMs);
        QCOMPARE(child.readLine().trimmed(), "connected");

        // A subscriber that comes later is told the kept status first.
        BrokerSubscriber subscriber(broker.port(), StatusTopic);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "online", WaitMs);
        QVERIFY(subscriber.messages().constFirst().retained);

        child.kill(); // SIGKILL: no chance to say goodbye
        QVERIFY(child.waitForFinished(WaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.last(StatusTopic), "offline", WaitMs);

        // And kept for whoever asks next.
        BrokerSubscriber later(broker.port(), StatusTopic);
        QTRY_COMPARE_WITH_TIMEOUT(later.last(StatusTopic), "offline", WaitMs);
    }

    void brokerRestartLosesNothingThatFitsAndCountsTheRest()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        // A kept session: the broker holds what arrives for it while it is away.
        BrokerSubscriber subscriber(broker.port(), ReadingTopic, 1, "orvel-test-subscriber", true);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.isSubscribed(), WaitMs);

        PublisherSettings settings = settingsFor(broker);
        settings.readingQos = 1;
        settings.readingCapacity = 100;
        MqttPublisher publisher(settings);
        QSignalSpy dropped(&publisher, &MqttPublisher::dropped);
        QTRY_VERIFY_WITH_TIMEOUT(publisher.isConnected(), WaitMs);
        publishReadings(publisher, 0, 50);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(ReadingTopic).size(), 50, WaitMs);

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!publisher.isConnected(), WaitMs);
        // 100 fit the queue; the last 50 do not.
        publishReadings(publisher, 50, 200);
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.isConnected(), WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), 1, WaitMs);
        QCOMPARE(dropped.constFirst().at(0).toULongLong(), 50u);
        QCOMPARE(dropped.constFirst().at(1).toULongLong(), 0u);
        publishReadings(publisher, 200, 250);

        const QList<QByteArray> expected = expectedPayloads(0, 150) + expectedPayloads(200, 250);
        QTRY_COMPARE_WITH_TIMEOUT(withoutRepeats(subscriber.payloads(ReadingTopic)).size(),
                                  expected.size(), WaitMs);
        QCOMPARE(withoutRepeats(subscriber.payloads(ReadingTopic)), expected);
    }

    void refusedLoginIsReportedOnce()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.addUser(u"mast"_s, u"right"_s), qPrintable(broker.errorString()));
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));

        PublisherSettings settings = settingsFor(broker);
        settings.login = {u"mast"_s, u"wrong"_s};
        auto refusedPublisher = std::make_unique<MqttPublisher>(settings);
        QSignalSpy refused(refusedPublisher.get(), &MqttPublisher::refused);
        // Three tries, one report with the broker's reason.
        QTRY_VERIFY_WITH_TIMEOUT(broker.logCount("not authorised") >= 3, WaitMs);
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused.constFirst().at(0).toString().contains(u"not authorised"_s),
                 qPrintable(refused.constFirst().at(0).toString()));
        QVERIFY(!refusedPublisher->isConnected());
        refusedPublisher.reset();

        settings.login.password = u"right"_s;
        MqttPublisher publisher(settings);
        QTRY_VERIFY_WITH_TIMEOUT(publisher.isConnected(), WaitMs);
    }

    void untrustedCertificateIsReportedOnceAndATrustedOneConnects()
    {
        MosquittoBroker broker;
        QVERIFY2(broker.useSelfSignedTls(), qPrintable(broker.errorString()));
        QVERIFY2(broker.start(), qPrintable(broker.errorString()));
        QString error;
        const auto address = BrokerAddress::parse(broker.url(), error);
        QVERIFY2(address && address->tls, qPrintable(error));

        PublisherSettings settings = settingsFor(broker);
        settings.broker = *address;
        MqttPublisher publisher(settings);
        QSignalSpy refused(&publisher, &MqttPublisher::refused);
        // The first try and two more after it, each turned away by the handshake.
        QTRY_VERIFY2_WITH_TIMEOUT(broker.logCount("unknown ca") >= 3, broker.log().constData(),
                                  WaitMs);
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused.constFirst().at(0).toString().contains(u"certificate verify failed"_s),
                 qPrintable(refused.constFirst().at(0).toString()));
        QVERIFY(!publisher.isConnected());

        // A certificate file that is not there stops it before it connects at all.
        settings.caFile = u"/nonexistent/ca.pem"_s;
        MqttPublisher misconfigured(settings);
        QSignalSpy refusedMissing(&misconfigured, &MqttPublisher::refused);
        QTRY_COMPARE_WITH_TIMEOUT(refusedMissing.size(), 1, WaitMs);
        QVERIFY2(refusedMissing.constFirst().at(0).toString().contains(settings.caFile),
                 qPrintable(refusedMissing.constFirst().at(0).toString()));

        settings.caFile = broker.certificatePath();
        MqttPublisher trusting(settings);
        QTRY_VERIFY_WITH_TIMEOUT(trusting.isConnected(), WaitMs);
    }
};

QTEST_GUILESS_MAIN(TestPublishBroker)
#include "tst_publish_broker.moc"
