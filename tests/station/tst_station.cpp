#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/PortResumer.h"
#include "publish/MessagePayload.h"
#include "publish/MqttPublisher.h"
#include "recording/Recorder.h"
#include "station/EventMapping.h"
#include "station/Station.h"
#include "watch/EventLog.h"
#include "watch/EventRow.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace
{

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The broker carries an event with the events file's time text and columns.
    void publishedEventHasTheEventsFileColumns()
    {
        MonitorEvent event;
        event.time = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 5, 250), QTimeZone(3600));
        event.kind = MonitorEventKind::AlarmStart;
        event.quantity = Quantity::Elevation;
        event.value = 6.2;
        event.limit = 5;
        event.port = u"Com port 1"_s;
        event.detail = u"held 5 s"_s;

        const QByteArray json = MessagePayload::event(publishedEvent(event));
        const QByteArray time = "\"time\":\"" + EventRow::timeText(event.time) + '"';
        QVERIFY2(json.contains(time), json.constData());
        for (const char *part : {"\"event\":\"alarm-start\"", "\"quantity\":\"elevation\"",
                                 "\"value\":6.2", "\"limit\":5", "\"detail\":\"held 5 s\""})
            QVERIFY2(json.contains(part), QByteArray(json + " lacks " + part).constData());
    }

    // The publisher's lost messages and a broker's refusal are events: kept in the events
    // file and told to the program.
    void publisherTroubleBecomesEvents()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FakeClock clock;
        FakePrompts prompts;
        FakeSerialControl port;
        Recorder::Options options;
        options.folder = dir.path();
        Recorder recorder(prompts, options);
        Station station({port, clock, recorder, [](short) { return PortIdentity{}; }, [] {}});
        PublisherSettings settings;
        settings.broker.host = u"127.0.0.1"_s;
        settings.broker.port = 1; // nobody listens there
        settings.topicPrefix = u"orvel/test/mast"_s;
        MqttPublisher publisher(settings);
        station.setPublisher(&publisher);
        QSignalSpy told(&station, &Station::eventRaised);

        emit publisher.dropped(12, 3);
        emit publisher.refused(u"not authorised"_s);

        QCOMPARE(told.size(), 2);
        const auto dropped = told.at(0).at(0).value<MonitorEvent>();
        QCOMPARE(dropped.kind, MonitorEventKind::PublishDropped);
        QVERIFY(dropped.detail.contains(u"12 readings and 3 events"_s));
        const auto refused = told.at(1).at(0).value<MonitorEvent>();
        QCOMPARE(refused.kind, MonitorEventKind::BrokerRefused);
        QCOMPARE(refused.detail, u"not authorised"_s);

        const QString events = eventsFilePath(dir.path(), u"2026-12-07"_s);
        QTRY_VERIFY_WITH_TIMEOUT(fileText(events).contains(",broker-refused,"), 10000);
        QVERIFY(fileText(events).contains(",publish-dropped,"));
        station.setPublisher(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
