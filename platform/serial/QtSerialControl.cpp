#include "platform/serial/QtSerialControl.h"

#include "platform/serial/ComPortMap.h"
#include "platform/serial/PortFailure.h"
#include "platform/serial/SerialReadNotifier.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <utility>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

QtSerialControl::QtSerialControl(QObject *parent)
    : SerialControl(parent), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &QtSerialControl::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &QtSerialControl::onErrorOccurred);
    holdTimer_.setSingleShot(true);
    holdTimer_.setInterval(holdMs);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    connect(&holdTimer_, &QTimer::timeout, this, &QtSerialControl::endHold);
}

QtSerialControl::~QtSerialControl()
{
    if (port_->isOpen() && !losing_)
        drainAndClose();
}

bool QtSerialControl::setSettings(const QString &settings)
{
    const auto parsed = parseLineSettings(settings);
    if (!parsed)
        return false;
    settings_ = *parsed;
    settingsText_ = settings;
    if (port_->isOpen()) {
        port_->setBaudRate(settings_.baudRate);
        port_->setParity(settings_.parity);
        port_->setDataBits(settings_.dataBits);
        port_->setStopBits(settings_.stopBits);
    }
    return true;
}

void QtSerialControl::setCommPort(short port)
{
    if (port_->isOpen() || port < 1 || port > 9)
        return;
    commPort_ = port;
}

void QtSerialControl::setPortOpen(bool open)
{
    if (open && !port_->isOpen())
        this->open();
    else if (!open && port_->isOpen()) {
        cancelHold();
        if (losing_) {
            handOnHeld();
            port_->close(); // nothing can go out any more; finishLoss still reports it
            return;
        }
        // What the system kept during a hold is handed on before the port closes, as it
        // would have been without the hold.
        closing_ = true;
        takeWaiting();
        handOnHeld();
        drainAndClose();
        closing_ = false;
    }
}

bool QtSerialControl::PortOpen() const
{
    return port_->isOpen() && !losing_;
}

void QtSerialControl::open()
{
    const ComPortMap::Mapping mapping = ComPortMap::resolve(commPort_);
    device_ = mapping.device;
    const PortFailure::Where where{commPort_, mapping.device, mapping.fromEnvironment};
    if (mapping.device.isEmpty()) {
        lastError_ = PortFailure::describe(PortFailure::Cause::NoDevice, {}, where);
        return;
    }

    port_->setPortName(mapping.device);
    port_->setBaudRate(settings_.baudRate);
    port_->setParity(settings_.parity);
    port_->setDataBits(settings_.dataBits);
    port_->setStopBits(settings_.stopBits);
    port_->setFlowControl(QSerialPort::NoFlowControl);

    if (!port_->open(QIODevice::ReadWrite)) {
        const auto cause =
            PortFailure::classify(port_->error(), PortFailure::userMayAccess(mapping.device));
        lastError_ = PortFailure::describe(cause, port_->errorString(), where);
        port_->clearError();
        return;
    }
    losing_ = false;
    lastError_.clear();
    searchedHandle_ = -1; // a new notifier, perhaps on the same descriptor number
    unhanded_ = false;
    streaming_ = false;
    resumed_.invalidate();
    // A closed serial port receives nothing; a pseudo-terminal keeps what came meanwhile.
    port_->clear(QSerialPort::Input);
}

void QtSerialControl::drainAndClose()
{
    // QSerialPort::close() drops what it has not handed to the system yet.
    const QDeadlineTimer deadline(drainLimitMs);
    while (port_->bytesToWrite() > 0 && !deadline.hasExpired()) {
        const int slice = int(qMin<qint64>(100, deadline.remainingTime()));
        if (!port_->waitForBytesWritten(slice) && port_->error() != QSerialPort::TimeoutError &&
            port_->error() != QSerialPort::NoError)
            break;
    }
#ifdef Q_OS_UNIX
    // QSerialPort restores the old line settings on close; the bytes still in the adapter must
    // go out at this speed first. Without flow control this takes their transmission time.
    if (port_->bytesToWrite() == 0)
        ::tcdrain(port_->handle());
#endif
    port_->close();
    port_->clearError();
}

QByteArray QtSerialControl::Input()
{
    // What QSerialPort holds, in one piece: readAll() would then also ask the port for more,
    // growing its result by a 16 KiB chunk and enabling the read notifier again during a hold.
    return port_->isOpen() ? port_->read(port_->bytesAvailable()) : QByteArray();
}

void QtSerialControl::setOutput(const QByteArray &text)
{
    if (PortOpen())
        port_->write(text);
}

void QtSerialControl::setInBufferCount(short count)
{
    if (count != 0 || !port_->isOpen())
        return;
    port_->clear(QSerialPort::Input);
    port_->skip(port_->bytesAvailable());
    unhanded_ = false;
}

int QtSerialControl::InBufferCount() const
{
    return int(port_->bytesAvailable());
}

QString QtSerialControl::deviceFor(short port) const
{
    return ComPortMap::resolve(port).device;
}

void QtSerialControl::onReadyRead()
{
    // What QSerialPort has just taken in waits in its buffer while a hold runs or ends.
    if (paused_ || endingHold_) {
        unhanded_ = true;
        return;
    }
    if (rThreshold_ < 1 || !port_->isOpen() || losing_ || closing_) {
        handOn();
        return;
    }
    // OnComm is armed: the first bytes after a quiet spell wait for the rest of what comes
    // within the hold (a record is shorter than one). Bytes that come within a hold of the
    // last one ending belong to a steady stream, whose holds then follow one another.
    unhanded_ = true;
    streaming_ = resumed_.isValid() && resumed_.elapsed() < holdTimer_.interval();
    if (!startHold())
        handOnHeld(); // nothing to pause on this system: every read is handed on as it comes
}

void QtSerialControl::handOn()
{
    emit inputArrived();
    if (rThreshold_ >= 1 && port_->bytesAvailable() >= rThreshold_) {
        commEvent_ = Receive;
        emit OnComm();
    }
}

void QtSerialControl::handOnHeld()
{
    if (!std::exchange(unhanded_, false) || !port_->isOpen())
        return;
    handOn();
}

bool QtSerialControl::startHold()
{
    paused_ = readNotifier();
    if (!paused_)
        return false;
    paused_->setEnabled(false);
    holdTimer_.start();
    return true;
}

void QtSerialControl::endHold()
{
    const QPointer<QSocketNotifier> notifier = std::exchange(paused_, nullptr);
    if (notifier && port_->isOpen() && !losing_)
        takeWaiting();
    const bool received = unhanded_;
    handOnHeld();
    if (!notifier || !port_->isOpen() || losing_ || closing_)
        return; // the receiver closed the port, or it was lost meanwhile
    if (received && streaming_ && rThreshold_ >= 1) {
        // A steady stream: the next hold starts at once, the notifier stays paused, and the
        // event loop wakes once a hold rather than for a byte and a hold.
        // (QSerialPort enables its notifier again when asked for more than it holds.)
        paused_ = notifier;
        paused_->setEnabled(false);
        holdTimer_.start();
        return;
    }
    // A record on its own, or the end of a stream: the next byte wakes the loop.
    notifier->setEnabled(true);
    resumed_.start();
}

void QtSerialControl::takeWaiting()
{
    endingHold_ = true;
    if (!port_->waitForReadyRead(0) && port_->error() == QSerialPort::TimeoutError)
        port_->clearError(); // nothing was waiting
    endingHold_ = false;
}

QSocketNotifier *QtSerialControl::readNotifier()
{
    // QSerialPort makes its read notifier when the port opens; it is looked for once an
    // opening, not for every hold.
    if (searchedHandle_ != port_->handle()) {
        searchedHandle_ = port_->handle();
        readNotifier_ = findSerialReadNotifier(*port_);
    }
    return readNotifier_;
}

void QtSerialControl::cancelHold()
{
    holdTimer_.stop();
    if (const QPointer<QSocketNotifier> notifier = std::exchange(paused_, nullptr))
        notifier->setEnabled(true);
}

void QtSerialControl::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return; // a line control the device lacks (DTR on a pseudo-terminal) is no loss
    if (!port_->isOpen() || losing_)
        return;
    losing_ = true;
    // QSerialPort still works on its buffers after reporting the error, so it is closed once
    // its handler has returned.
    const QString reason = port_->errorString();
    QMetaObject::invokeMethod(
        this, [this, reason] { finishLoss(reason); }, Qt::QueuedConnection);
}

void QtSerialControl::finishLoss(const QString &reason)
{
    if (!losing_)
        return;
    cancelHold();
    handOnHeld();
    port_->close();
    port_->clearError();
    losing_ = false;
    lastError_ =
        PortFailure::describe(PortFailure::Cause::Lost, reason, {commPort_, device_, false});
    commEvent_ = DeviceLost;
    emit OnComm();
    emit deviceLost(lastError_);
}
