// Connects to the broker named on the command line, says "connected" on standard output, then
// publishes a reading every 100 ms until it is killed.
#include "publish/BrokerAddress.h"
#include "publish/MqttPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: publish_child URL PREFIX\n");
        return 2;
    }
    QString error;
    const auto broker = BrokerAddress::parse(args.at(1), error);
    if (!broker) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    PublisherSettings settings;
    settings.broker = *broker;
    settings.topicPrefix = args.at(2);
    MqttPublisher publisher(settings);
    QObject::connect(&publisher, &MqttPublisher::connectedChanged, [](bool connected) {
        if (connected) {
            std::puts("connected");
            std::fflush(stdout);
        }
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&publisher] {
        const QDateTime now = QDateTime::currentDateTime();
        publisher.readingAccepted({now.toMSecsSinceEpoch(), now.offsetFromUtc(), 1.5, -2.25});
    });
    tick.start(100);
    return app.exec();
}
