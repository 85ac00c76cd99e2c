// The four handlers that set one of the device's parameters.
#include "device/DeviceProtocol.h"
#include "platform/runtime/Prompts.h"
#include "setup/NumberInput.h"
#include "setup/SetupSession.h"
#include "setup/SetupTexts.h"

#include <QScopeGuard>

using Field = SetupView::Field;

// How the four handlers differ once the value to send is known.
struct SetupSession::Setting {
    Field field;
    const QString &command;
    QString changed;
    QString refused;
    // A list shows "UNKNOWN" when the device did not answer and has no "Set" button; a text box
    // keeps the value that was not confirmed.
    bool isList;
};

const SetupSession::Setting SetupSession::AngleSetting{
    Field::Angle, DeviceProtocol::AlarmAngleSetting, QStringLiteral("Alarm Angle Changed at "),
    QStringLiteral("ERROR setting Alarm Angle at "), false};
const SetupSession::Setting SetupSession::NumberSetting{
    Field::Number, DeviceProtocol::AlarmPhoneSetting, QStringLiteral("Phone Number Changed at "),
    QStringLiteral("ERROR setting Phone Number at "), false};
const SetupSession::Setting SetupSession::RangeSetting{
    Field::Range, DeviceProtocol::RangeSetting, QStringLiteral("Output Range Changed at "),
    QStringLiteral("ERROR setting Output Range at "), true};
const SetupSession::Setting SetupSession::HandshakeSetting{
    Field::Handshake, DeviceProtocol::HandshakeSetting,
    QStringLiteral("Handshake Method Changed at "),
    QStringLiteral("ERROR setting Handshake Method at "), true};

void SetupSession::cmdAngleClicked()
{
    if (closed_)
        return;
    if (busy_) {
        prompts_.beep();
        return;
    }
    const std::optional<QString> angle =
        NumberInput::alarmAngle(view_.fieldText(Field::Angle), locale_);
    if (!angle) {
        prompts_.beep();
        view_.focusField(Field::Angle);
        return;
    }
    view_.setFieldText(Field::Angle, *angle);
    sendSetting(AngleSetting, view_.fieldText(Field::Angle));
}

void SetupSession::cmdNumberClicked()
{
    if (closed_)
        return;
    if (busy_) {
        prompts_.beep();
        return;
    }
    const std::optional<QString> number =
        NumberInput::alarmPhone(view_.fieldText(Field::Number), locale_);
    if (!number) {
        prompts_.beep();
        view_.focusField(Field::Number);
        return;
    }
    view_.setFieldText(Field::Number, *number);
    sendSetting(NumberSetting, view_.fieldText(Field::Number));
}

void SetupSession::cboRangeChosen(const QString &previousText)
{
    chooseFromList(RangeSetting, previousText);
}

void SetupSession::cboHandshakeChosen(const QString &previousText)
{
    chooseFromList(HandshakeSetting, previousText);
}

void SetupSession::chooseFromList(const Setting &setting, const QString &previousText)
{
    if (closed_)
        return;
    if (busy_) {
        // The choice is not sent, so the list must not show it.
        prompts_.beep();
        view_.setFieldText(setting.field, previousText);
        return;
    }
    sendSetting(setting, view_.fieldText(setting.field).trimmed());
}

void SetupSession::sendSetting(const Setting &setting, const QString &value)
{
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });

    view_.setStatusLine(SetupTexts::Working);
    if (!openPort())
        return;

    LastReply = transaction_.SendCommand(setting.command + value);
    if (abandoned())
        return;

    if (DeviceProtocol::isNoReply(LastReply)) {
        if (!reportNotResponding())
            return;
        if (setting.isList)
            view_.setFieldText(setting.field, SetupTexts::Unknown);
        return;
    }
    if (LastReply == DeviceProtocol::Ok) {
        view_.setStatusLine(setting.changed + stamp());
        if (!setting.isList)
            view_.setSetButtonVisible(setting.field, false);
    } else {
        view_.setStatusLine(setting.refused + stamp());
        view_.setFieldText(setting.field, SetupTexts::Unknown);
    }
    closePort();
}
