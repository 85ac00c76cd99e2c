#include "sim/Simulator.h"

#include "sim/OutputPacer.h"
#include "sim/PtyEndpoint.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace
{

// Records per second when unpaced and no rate is given: what a 9600 baud line carries.
constexpr double unpacedDefaultRate = 74.0;
// More than this waiting to go out and a timed record is skipped, as a device whose line
// is blocked would.
constexpr qsizetype backlogLimit = 256;
// Every this many records the garbage option adds some noise.
constexpr int garbageEvery = 4;

} // namespace

Simulator::Simulator(SimOptions options, QObject *parent)
    : QObject(parent), options_(std::move(options)), records_(options_.seed, options_.record),
      line_(new PtyEndpoint(this)),
      pacer_(new OutputPacer(
          line_, {!options_.unpaced, options_.chunk, options_.chunkPauseMs, options_.batchMs},
          this)),
      recordTimer_(new QTimer(this)), hangupTimer_(new QTimer(this))
{
    recordTimer_->setTimerType(Qt::PreciseTimer);
    connect(recordTimer_, &QTimer::timeout, this, [this] {
        if (pacer_->pending() < backlogLimit)
            queueRecord();
    });
    hangupTimer_->setSingleShot(true);
    connect(hangupTimer_, &QTimer::timeout, this, &Simulator::hangUp);

    connect(line_, &PtyEndpoint::received, this, &Simulator::onReceived);
    connect(line_, &PtyEndpoint::peerOpened, this, [this] { log_.event("port opened"); });
    connect(line_, &PtyEndpoint::peerClosed, this, [this] {
        // Against the rows a program recorded: what reached the line before it went away.
        log_.event("sent " + QByteArray::number(recordsSent()) + " records");
        log_.event("port closed");
    });
    connect(pacer_, &OutputPacer::drained, this, [this] {
        // Back to back at the line's rate: the next record as soon as the last has gone.
        if (streaming_ && !recordTimer_->isActive())
            queueRecord();
    });
}

Simulator::~Simulator()
{
    removeLink();
    log_.event("exit");
}

bool Simulator::start(QString *error)
{
    if (!log_.open(options_.logPath, error))
        return false;
    for (const auto &[name, value] : std::as_const(options_.settings)) {
        if (!model_.set(name, value)) {
            *error = QStringLiteral("--set %1=%2 is not a value the device accepts")
                         .arg(QString::fromLatin1(name), QString::fromLatin1(value));
            return false;
        }
    }
    if (!line_->open(error))
        return false;

    if (!options_.linkPath.isEmpty()) {
        if (QFileInfo(options_.linkPath).isSymLink())
            QFile::remove(options_.linkPath);
        if (!QFile::link(line_->terminalPath(), options_.linkPath)) {
            *error = QStringLiteral("cannot make the link %1").arg(options_.linkPath);
            return false;
        }
        linkMade_ = true;
    }
    if (options_.hangupAt >= 0)
        hangupTimer_->start(int(options_.hangupAt * 1000));
    log_.event("ready on " + line_->terminalPath().toLocal8Bit());
    return true;
}

QString Simulator::terminalPath() const
{
    return line_->terminalPath();
}

void Simulator::onReceived(const QByteArray &bytes)
{
    // Lines end in CR LF; a bare CR or LF ends one too, and empty lines are nothing.
    for (const char c : bytes) {
        if (c != '\r' && c != '\n') {
            incoming_.append(c);
            continue;
        }
        if (incoming_.isEmpty())
            continue;
        const QByteArray command = incoming_;
        incoming_.clear();
        onCommand(command);
        if (!line_->isOpen())
            return;
    }
}

void Simulator::onCommand(const QByteArray &command)
{
    log_.received(command);
    if (command == "!START" && !startSeen_) {
        startSeen_ = true;
        if (options_.hangupAfterStart >= 0 && !hangupTimer_->isActive())
            hangupTimer_->start(int(options_.hangupAfterStart * 1000));
    }
    if (options_.silent)
        return;

    const DeviceModel::Outcome outcome =
        options_.refuse ? DeviceModel::Outcome{DeviceModel::error()} : model_.handle(command);
    if (options_.replyDelayMs > 0)
        QTimer::singleShot(options_.replyDelayMs, this, [this, outcome] { deliver(outcome); });
    else
        deliver(outcome);
}

void Simulator::deliver(const DeviceModel::Outcome &outcome)
{
    if (!line_->isOpen())
        return;
    pacer_->send(outcome.reply);
    log_.replied(outcome.reply);
    if (outcome.stream == DeviceModel::Stream::Start) {
        pacer_->send(records_.randomBytes(options_.garbageBytes));
        startStreaming();
    } else if (outcome.stream == DeviceModel::Stream::Stop) {
        stopStreaming();
    }
}

void Simulator::startStreaming()
{
    if (streaming_)
        return;
    streaming_ = true;
    const double rate =
        options_.rate > 0 ? options_.rate : (options_.unpaced ? unpacedDefaultRate : 0.0);
    if (rate > 0)
        recordTimer_->start(qMax(1, int(1000.0 / rate)));
    else if (pacer_->pending() == 0)
        queueRecord();
}

void Simulator::stopStreaming()
{
    streaming_ = false;
    recordTimer_->stop();
}

void Simulator::queueRecord()
{
    if (options_.garbage && ++recordCount_ % garbageEvery == 0)
        pacer_->send(records_.garbage());
    QByteArray record;
    if (options_.stamp) {
        // Due when the queue ahead of it and its own bytes have gone out.
        const qint64 bytesAhead = pacer_->pending() + RecordGenerator::stamped(0).size();
        QElapsedTimer monotonic;
        monotonic.start();
        const qint64 dueMs = monotonic.msecsSinceReference() +
                             (options_.unpaced ? 0 : bytesAhead * OutputPacer::byteNs / 1'000'000);
        record = RecordGenerator::stamped(dueMs);
    } else {
        record = records_.next();
    }
    pacer_->send(record);
    recordEnds_.push_back(pacer_->bytesWritten() + pacer_->pending());
    recordsSent();
}

qint64 Simulator::recordsSent()
{
    while (!recordEnds_.empty() && recordEnds_.front() <= pacer_->bytesWritten()) {
        recordEnds_.pop_front();
        ++recordsSent_;
    }
    return recordsSent_;
}

void Simulator::hangUp()
{
    stopStreaming();
    pacer_->discard();
    recordEnds_.clear();
    line_->hangUp();
    removeLink();
    log_.event("hangup");
    emit finished();
}

void Simulator::removeLink()
{
    if (linkMade_)
        QFile::remove(options_.linkPath);
    linkMade_ = false;
}
