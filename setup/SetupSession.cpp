#include "setup/SetupSession.h"

#include "device/DeviceProtocol.h"
#include "device/PortOpener.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/serial/SerialControl.h"
#include "setup/SetupTexts.h"
#include "setup/TimeStamp.h"

#include <QScopeGuard>

using Field = SetupView::Field;

namespace
{
// "!STOP" is repeated until the device acknowledges it or this many seconds have passed.
constexpr double StopRepeatLimit = 3.0;
} // namespace

SetupSession::SetupSession(SetupView &view, PortOpener &opener, EventWait &wait, const Clock &clock,
                           Prompts &prompts, const QLocale &locale)
    : view_(view), opener_(opener), clock_(clock), prompts_(prompts), locale_(locale),
      transaction_(opener.MSComm1(), wait, clock)
{
}

SerialControl &SetupSession::port() const
{
    return opener_.MSComm1();
}

QString SetupSession::stamp() const
{
    return timeStamp(clock_.timeOfDay(), locale_);
}

bool SetupSession::openPort()
{
    if (opener_.OpenPort() == DeviceProtocol::Ok)
        return true;
    prompts_.message(PortOpener::CannotOpen + QString::number(port().CommPort()),
                     port().lastError());
    return false;
}

void SetupSession::closePort()
{
    port().setPortOpen(false);
}

bool SetupSession::abandoned()
{
    if (!closed_)
        return false;
    closePort();
    return true;
}

bool SetupSession::reportNotResponding()
{
    prompts_.message(SetupTexts::NotResponding);
    if (abandoned())
        return false;
    closePort();
    view_.setStatusLine(SetupTexts::NotRespondingAt + stamp());
    return true;
}

void SetupSession::windowClosing()
{
    closed_ = true;
    transaction_.cancel();
}

void SetupSession::Load()
{
    // The main window's receive handler must not take the replies; Start switches it on again.
    port().setRThreshold(0);
    ReadBack();
}

void SetupSession::ReadBack()
{
    if (closed_)
        return;
    if (busy_ || port().PortOpen()) {
        prompts_.message(SetupTexts::PortActive);
        return;
    }
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });

    view_.setSetButtonVisible(Field::Number, false);
    view_.setSetButtonVisible(Field::Angle, false);
    view_.setStatusLine(SetupTexts::Working);
    if (!openPort()) {
        if (!abandoned())
            view_.setStatusLine(PortOpener::CannotOpen + stamp());
        return;
    }

    // Stop the live stream; the device may need a moment before it acknowledges.
    const double start = clock_.elapsedSeconds();
    for (;;) {
        LastReply = transaction_.SendCommand(DeviceProtocol::Stop);
        if (abandoned())
            return;
        if (clock_.elapsedSeconds() - start > StopRepeatLimit)
            break;
        // A port that closed under the loop (device gone) would only repeat without waiting.
        if (LastReply == DeviceProtocol::Ok || !port().PortOpen())
            break;
    }

    if (DeviceProtocol::isNoReply(LastReply)) {
        if (!reportNotResponding())
            return;
        for (const Field field : {Field::Angle, Field::Number, Field::Range, Field::Handshake})
            view_.setFieldText(field, SetupTexts::Unknown);
        return;
    }

    ReadStatus();
    if (abandoned())
        return;
    const std::pair<Field, const QString &> queries[] = {
        {Field::Angle, DeviceProtocol::AlarmAngleQuery},
        {Field::Number, DeviceProtocol::AlarmPhoneQuery},
        {Field::Range, DeviceProtocol::RangeQuery},
        {Field::Handshake, DeviceProtocol::HandshakeQuery},
    };
    for (const auto &[field, query] : queries) {
        // Every result is shown as it is, "ERROR" and the ">>>" form included.
        const QString result = transaction_.SendCommand(query);
        if (abandoned())
            return;
        view_.setFieldText(field, result);
    }

    view_.setStatusLine(SetupTexts::RefreshedAt + stamp());
    closePort();
    // Writing the fields showed their buttons; the fields now hold the device's values.
    view_.setSetButtonVisible(Field::Angle, false);
    view_.setSetButtonVisible(Field::Number, false);
}

void SetupSession::ReadStatus()
{
    view_.setStatusText(QString());
    QByteArray status = transaction_.ReadStatusReply();
    if (closed_)
        return;
    status.replace(DeviceProtocol::Acknowledgement, "");
    // Written while enabled, then left disabled so that it reads as the device's, not the user's.
    view_.setStatusEnabled(true);
    view_.setStatusText(DeviceProtocol::fromWire(status));
    view_.setStatusEnabled(false);
}

void SetupSession::txtAngleChanged()
{
    if (!closed_)
        view_.setSetButtonVisible(Field::Angle, true);
}

void SetupSession::txtNumberChanged()
{
    if (!closed_)
        view_.setSetButtonVisible(Field::Number, true);
}
