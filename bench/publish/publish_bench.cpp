// Publishing readings to the system's broker (started on a free loopback port): prints how many
// readings a second one broker connection carries to a subscriber at QoS 0 and QoS 1, what a
// reading costs the caller's thread, and the processor time publishing adds to the process at
// the full line rate (74 readings a second, against the same run without publishing).
//
//     publish_bench [readings for the throughput runs] [seconds at the line rate]
//
// Defaults: 200000 readings, 20 s. Processor times are this process's own (getrusage), so other
// work on the machine does not count; the broker's time is not included.
#include "BrokerSubscriber.h"
#include "MosquittoBroker.h"
#include "ProcessTime.h"
#include "publish/MqttPublisher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace
{

constexpr int LineRate = 74;

double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Reading nthReading(int n)
{
    const qint64 start = 1796648709123;
    return {start + n * 1000 / LineRate, 3600, n * 0.001 - 40.0, 180.0 - n * 0.002};
}

PublisherSettings settingsFor(const MosquittoBroker &broker, int qos, int capacity)
{
    PublisherSettings settings;
    settings.broker.host = QStringLiteral("127.0.0.1");
    settings.broker.port = broker.port();
    settings.topicPrefix = QStringLiteral("orvel/bench/ttyUSB0");
    settings.readingQos = qos;
    settings.readingCapacity = capacity;
    return settings;
}

// Runs the event loop until the condition holds or the time is up.
template <typename Condition> bool waitFor(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        runEventLoop(20);
    }
    return true;
}

void throughput(const MosquittoBroker &broker, int qos, int readings)
{
    BrokerSubscriber subscriber(broker.port(), "orvel/bench/ttyUSB0/reading", qos);
    if (!waitFor([&] { return subscriber.isSubscribed(); }, 30000)) {
        std::printf("QoS %d: the subscriber did not subscribe\n", qos);
        return;
    }
    MqttPublisher publisher(settingsFor(broker, qos, readings));
    if (!waitFor([&] { return publisher.isConnected(); }, 30000)) {
        std::printf("QoS %d: no connection\n", qos);
        return;
    }
    QElapsedTimer wall;
    wall.start();
    const double callerBefore = threadCpuSeconds();
    for (int n = 0; n < readings; ++n)
        publisher.readingAccepted(nthReading(n));
    const double callerSeconds = threadCpuSeconds() - callerBefore;
    const bool all = waitFor([&] { return subscriber.count() >= readings; }, 300000);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("QoS %d: %lld of %d readings reached the subscriber in %.2f s: %.0f readings/s "
                "(caller's thread %.2f us a reading)%s\n",
                qos, qlonglong(subscriber.count()), readings, seconds,
                double(subscriber.count()) / seconds, callerSeconds * 1e6 / readings,
                all ? "" : "; the rest did not arrive");
}

// Processor time of a run at the line rate, with or without a publisher behind the readings.
double lineRateCpu(const MosquittoBroker *broker, int seconds, int *published)
{
    std::unique_ptr<MqttPublisher> publisher;
    if (broker) {
        publisher = std::make_unique<MqttPublisher>(settingsFor(*broker, 0, 24000));
        if (!waitFor([&] { return publisher->isConnected(); }, 30000))
            return -1;
    }
    int n = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Reading reading = nthReading(n++);
        if (publisher)
            publisher->readingAccepted(reading);
    });
    const double before = cpuSeconds();
    tick.start(1000 / LineRate);
    runEventLoop(seconds * 1000);
    tick.stop();
    if (publisher)
        waitFor([&] { return publisher->deliveredCount() >= quint64(n); }, 30000);
    *published = n;
    return cpuSeconds() - before;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int readings = args.size() > 1 ? args.at(1).toInt() : 200000;
    const int seconds = args.size() > 2 ? args.at(2).toInt() : 20;

    MosquittoBroker broker;
    if (!broker.start()) {
        std::printf("%s\n", qPrintable(broker.errorString()));
        return 1;
    }
    throughput(broker, 0, readings);
    throughput(broker, 1, readings);

    int without = 0, with = 0;
    const double idle = lineRateCpu(nullptr, seconds, &without);
    const double publishing = lineRateCpu(&broker, seconds, &with);
    if (idle < 0 || publishing < 0 || with == 0) {
        std::printf("line rate: no connection\n");
        return 1;
    }
    const double added = publishing - idle * double(with) / double(qMax(without, 1));
    std::printf("line rate (%d readings/s for %d s, %d readings): %.3f s of processor time "
                "without publishing, %.3f s with: publishing adds %.1f us a reading, %.3f %% of "
                "one core\n",
                LineRate, seconds, with, idle, publishing, added * 1e6 / with,
                added * 100.0 / seconds);
    return 0;
}
