#include "logger/Logger.h"

#include "device/DeviceProtocol.h"
#include "logger/StderrLine.h"
#include "platform/serial/ComPortMap.h"
#include "publish/MqttPublisher.h"
#include "publish/TopicPrefix.h"
#include "recording/Recorder.h"
#include "station/Station.h"
#include "watch/EventRow.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcessEnvironment>
#include <QSettings>
#include <QSysInfo>

Q_LOGGING_CATEGORY(lcLogger, "orvel.logger")

using namespace Qt::StringLiterals;

namespace
{

// The port named by a path is Com Port 1 mapped onto that path, so resuming opens the same path
// again and nothing else.
short comPortFor(const LoggerOptions::Options &options)
{
    if (options.portNumber > 0)
        return short(options.portNumber);
    qputenv(ComPortMap::environmentName(1).toLatin1().constData(),
            QFile::encodeName(options.portDevice));
    return 1;
}

QString recordingFolder(const LoggerOptions::Options &options)
{
    if (!options.recordDir.isEmpty())
        return options.recordDir;
    // Under the service: the state folder systemd made for it (the first, if it lists several).
    const QString state = qEnvironmentVariable("STATE_DIRECTORY");
    return state.section(u':', 0, 0);
}

PublisherSettings publisherSettings(const LoggerOptions::Options &options)
{
    PublisherSettings settings;
    QString error;
    if (const auto broker = BrokerAddress::parse(options.mqttUrl, error))
        settings.broker = *broker;
    std::unique_ptr<QSettings> config;
    if (!options.configFile.isEmpty())
        config = std::make_unique<QSettings>(options.configFile, QSettings::IniFormat);
    settings.login = BrokerLogin::from(QProcessEnvironment::systemEnvironment(), config.get());
    settings.caFile = options.mqttCaFile;
    settings.readingQos = options.mqttQos;
    QString portName = options.portDevice;
    if (portName.isEmpty()) {
        const ComPortMap::Mapping mapping = ComPortMap::resolve(short(options.portNumber));
        portName = mapping.device.isEmpty() ? u"com"_s + QString::number(options.portNumber)
                                            : mapping.device;
    }
    settings.topicPrefix = options.mqttTopic.isEmpty()
                               ? TopicPrefix::fallback(QSysInfo::machineHostName(), portName)
                               : options.mqttTopic;
    return settings;
}

} // namespace

Logger::Logger(const LoggerOptions::Options &options, QObject *parent)
    : QObject(parent), options_(options)
{
    port_.setCommPort(comPortFor(options));
    // No display to keep moving: the input is taken a few times a second, as the publisher
    // sends it, rather than every frame. Each record keeps its own arrival time.
    port_.setHoldMs(HoldMs);
    Recorder::Options recording;
    recording.folder = recordingFolder(options);
    recording.enabledThisRun = !options.noRecord;
    recorder_ = std::make_unique<Recorder>(prompts_, recording);
    if (!options.mqttUrl.isEmpty())
        publisher_ = std::make_unique<MqttPublisher>(publisherSettings(options));

    station_ = std::make_unique<Station>(Station::Parts{
        port_, clock_, *recorder_,
        [](short port) {
            const ComPortMap::Identity identity = ComPortMap::identify(port);
            return PortIdentity{identity.device, identity.serialNumber, identity.fromEnvironment};
        },
        [this] {
            // Opened again after a loss: a line cut by it is not joined to the next one.
            stream_.dropPartialLine();
            port_.setRThreshold(1);
            port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Start) +
                            DeviceProtocol::LineEnd);
        }});
    station_->setSettings(options.monitoring.applyTo(MonitoringSettings{}));
    station_->setPublisher(publisher_.get());
    connect(station_.get(), &Station::eventRaised, this, &Logger::onEvent);
    connect(&station_->resumer(), &PortResumer::refused, this,
            [](const QString &port, const QString &why) {
                writeStderrLine(port + u" not opened: "_s + why);
            });
    if (publisher_) {
        connect(publisher_.get(), &MqttPublisher::connectedChanged, this, [this](bool on) {
            writeStderrLine(
                (on ? u"Connected to the broker at "_s : u"Not connected to the broker at "_s) +
                options_.mqttUrl);
        });
    }
    connect(&port_, &SerialControl::OnComm, this, &Logger::onComm);
    openRetry_.setInterval(OpenRetryMs);
    connect(&openRetry_, &QTimer::timeout, this, [this] {
        if (openPort())
            beginStream();
    });
}

Logger::~Logger()
{
    finish();
}

bool Logger::start()
{
    port_.setSettings(QString::fromLatin1("9600,N,8,1"));
    if (openPort()) {
        beginStream();
        return true;
    }
    writeStderrLine(u"Cannot open "_s + options_.portName() + u": "_s + port_.lastError());
    if (!station_->settings().resume)
        return false;
    writeStderrLine(u"Trying again every "_s + QString::number(OpenRetryMs / 1000) + u" s"_s);
    openRetry_.start();
    return true;
}

bool Logger::openPort()
{
    port_.setRThreshold(1);
    port_.setPortOpen(true);
    return port_.PortOpen();
}

void Logger::beginStream()
{
    openRetry_.stop();
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Start) + DeviceProtocol::LineEnd);
    streaming_ = true;
    station_->streamStarted();
    qCInfo(lcLogger).noquote() << "Streaming from" << options_.portName();
}

void Logger::stop()
{
    openRetry_.stop();
    if (!streaming_)
        return;
    streaming_ = false;
    if (port_.PortOpen()) {
        port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::Stop) + DeviceProtocol::LineEnd);
        port_.setPortOpen(false); // sends what was written before it closes
    }
    station_->streamEnded();
}

void Logger::finish()
{
    stop();
    station_->setPublisher(nullptr);
    publisher_.reset();
}

void Logger::reopenFiles()
{
    // The events file is opened for each row it writes.
    recorder_->reopenFile();
}

void Logger::applySettings(const LoggerOptions::Options &options)
{
    station_->setSettings(options.monitoring.applyTo(MonitoringSettings{}));
}

void Logger::onComm()
{
    if (port_.CommEvent() != SerialControl::Receive)
        return;
    stream_.append(port_.Input(), [this](const StreamRecord &record) {
        station_->sink().readingAccepted(record.reading());
    });
}

void Logger::onEvent(const MonitorEvent &event)
{
    QByteArray row = EventRow::format(event);
    while (row.endsWith('\n') || row.endsWith('\r'))
        row.chop(1);
    writeStderrLine(u"event "_s + QString::fromUtf8(row));
}
