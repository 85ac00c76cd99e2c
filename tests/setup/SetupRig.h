#pragma once

#include "device/PortOpener.h"
#include "setup/SetupSession.h"
#include "setup/SetupView.h"

#include "FakeClock.h"
#include "FakeEventWait.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"

#include <QMap>

// The main window's side as the setup window sees it: OpenPort opens the fake port.
class FakeOpener final : public PortOpener
{
public:
    explicit FakeOpener(FakeSerialControl &port) : port_(port) {}
    QString OpenPort() override
    {
        ++calls;
        if (!port_.PortOpen())
            port_.setPortOpen(true);
        return port_.PortOpen() ? QStringLiteral("OK") : QStringLiteral("ERROR");
    }
    SerialControl &MSComm1() override { return port_; }
    int calls = 0;

private:
    FakeSerialControl &port_;
};

// The window's controls as plain fields. Writing a text box's text reports a change to the
// session, as the window's text boxes do; `calls` counts every use after construction.
class FakeView final : public SetupView
{
public:
    using Field = SetupView::Field;

    QString fieldText(Field field) const override { return text.value(field); }
    void setFieldText(Field field, const QString &value) override
    {
        ++calls;
        const bool changed = text.value(field) != value;
        text[field] = value;
        if (changed && session && field == Field::Angle)
            session->txtAngleChanged();
        if (changed && session && field == Field::Number)
            session->txtNumberChanged();
    }
    void focusField(Field field) override
    {
        ++calls;
        focused.append(field);
    }
    void setSetButtonVisible(Field field, bool visible) override
    {
        ++calls;
        setVisible[field] = visible;
    }
    void setStatusLine(const QString &value) override
    {
        ++calls;
        statusLine = value;
    }
    void setStatusText(const QString &value) override
    {
        ++calls;
        statusText = value;
    }
    void setStatusEnabled(bool enabled) override
    {
        ++calls;
        statusEnabled = enabled;
    }

    QMap<Field, QString> text{{Field::Angle, QStringLiteral("UNKNOWN")},
                              {Field::Number, QStringLiteral("UNKNOWN")},
                              {Field::Range, QStringLiteral("UNKNOWN")},
                              {Field::Handshake, QStringLiteral("UNKNOWN")}};
    QMap<Field, bool> setVisible{{Field::Angle, false}, {Field::Number, false}};
    QList<Field> focused;
    QString statusLine;
    QString statusText;
    bool statusEnabled = true;
    int calls = 0;
    SetupSession *session = nullptr;
};

// A device that answers every command after 50 ms.
inline void respondToAll(FakeEventWait &wait)
{
    wait.rules = {
        {"!STOP\r\n", "OK\r\n", 0.05},
        {"!STATUS?\r\n", "Dravelin V2\r\nSelf test OK\r\nOK\r\n", 0.05},
        {"!ALARMANGLE?\r\n", "ALARMANGLE=45\r\nOK\r\n", 0.05},
        {"!ALARMPHONE?\r\n", "ALARMPHONE=0123456\r\nOK\r\n", 0.05},
        {"!RANGE?\r\n", "RANGE=HALF\r\nOK\r\n", 0.05},
        {"!HANDSHAKE?\r\n", "HANDSHAKE=NONE\r\nOK\r\n", 0.05},
    };
}

// A setup session over fakes, in the C locale, with the clock at noon.
struct SetupRig {
    SetupRig() { view.session = &session; }

    void respond() { respondToAll(wait); }
    void answer(const QByteArray &command, const QByteArray &reply)
    {
        wait.rules.append({command + "\r\n", reply, 0.05});
    }
    QList<QByteArray> written() const
    {
        QList<QByteArray> all;
        for (const FakeSerialControl::Write &w : port.writes)
            all.append(w.text);
        return all;
    }

    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    FakePrompts prompts;
    FakeOpener opener{port};
    FakeView view;
    SetupSession session{view, opener, wait, clock, prompts, QLocale::c()};
};
