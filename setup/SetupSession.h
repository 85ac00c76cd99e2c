#pragma once

#include "device/CommandTransaction.h"
#include "setup/SetupView.h"

#include <QLocale>
#include <QString>

class Clock;
class EventWait;
class PortOpener;
class Prompts;
class SerialControl;

// The setup window's logic: the read-back of the device's status and parameters, and the four
// handlers that set a parameter. It reaches the controls only through SetupView, so it runs
// without widgets.
//
// One operation at a time: while one waits for the device, a "Set" click or a list choice is
// refused with a beep (a refused choice puts the list's previous text back) and "Refresh" shows
// "Port already active". Once the window closes (windowClosing) the wait in progress ends, the
// port is closed and nothing more is sent or shown.
class SetupSession
{
public:
    SetupSession(SetupView &view, PortOpener &opener, EventWait &wait, const Clock &clock,
                 Prompts &prompts, const QLocale &locale = QLocale());
    SetupSession(const SetupSession &) = delete;
    SetupSession &operator=(const SetupSession &) = delete;

    // Receive events off for as long as the setup runs, then the first read-back.
    void Load();
    // "Refresh", and the last step of Load.
    void ReadBack();

    void cmdAngleClicked();
    void cmdNumberClicked();
    // A user's pick in a list; previousText is what the list showed before it.
    void cboRangeChosen(const QString &previousText);
    void cboHandshakeChosen(const QString &previousText);
    void txtAngleChanged();
    void txtNumberChanged();

    // The window is closing (or gone): ends a wait in progress; nothing runs after it.
    void windowClosing();

    const QString &lastReply() const { return LastReply; }
    bool busy() const { return busy_; }
    bool closed() const { return closed_; }

private:
    struct Setting;
    static const Setting AngleSetting;
    static const Setting NumberSetting;
    static const Setting RangeSetting;
    static const Setting HandshakeSetting;

    void ReadStatus();
    void chooseFromList(const Setting &setting, const QString &previousText);
    // Steps shared by the four handlers, from "Working" to closing the port.
    void sendSetting(const Setting &setting, const QString &value);

    SerialControl &port() const;
    // Opens the port through the main window; on failure tells the user and returns false.
    bool openPort();
    void closePort();
    // After every wait: when the window closed meanwhile, closes the port and returns true.
    bool abandoned();
    // The device did not answer: tells the user, closes the port and says so in the status
    // line. False when the window closed while the message was up.
    bool reportNotResponding();
    QString stamp() const;

    SetupView &view_;
    PortOpener &opener_;
    const Clock &clock_;
    Prompts &prompts_;
    QLocale locale_;
    CommandTransaction transaction_;
    // The result of the latest setting, or of the latest "!STOP" of a read-back.
    QString LastReply;
    bool busy_ = false;
    bool closed_ = false;
};
