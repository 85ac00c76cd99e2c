#pragma once

#include <QByteArray>
#include <QString>

class Clock;
class EventWait;
class SerialControl;

// Command transactions with the device over the main window's port: write one command line,
// then wait for the reply while the windows stay responsive. The caller opens the port first
// and closes it afterwards; receive events must be off (RThreshold 0) so that nothing else
// reads the port meanwhile.
//
// One exchange at a time: a call made while another one waits (from an event handler run by
// the wait) is refused without writing anything. cancel() ends a wait at once and refuses every
// later exchange; it is for a window that closes while it waits. A port that closes during a
// wait (the device went away) ends it early too. Nothing is ever written to a closed port.
class CommandTransaction
{
public:
    // How long each exchange waits for its reply, in seconds (strictly more ends it).
    static constexpr double ReplyLimit = 2.0;
    static constexpr double StatusLimit = 3.0;
    // The longest sleep of one wait cycle; arriving characters end it sooner.
    static constexpr int CycleMs = 15;

    CommandTransaction(SerialControl &port, EventWait &wait, const Clock &clock);
    CommandTransaction(const CommandTransaction &) = delete;
    CommandTransaction &operator=(const CommandTransaction &) = delete;

    // Empties the input, writes the command and CR LF, and waits up to ReplyLimit seconds.
    // Returns "OK", the queried value, "ERROR", or ">>>" followed by whatever arrived when no
    // complete reply came (also when refused, cancelled or the port closed).
    QString SendCommand(const QString &command);

    // Writes "!STATUS?" without emptying the input first and collects what arrives until it
    // holds "OK" CR LF or StatusLimit seconds have passed. Returns everything collected.
    QByteArray ReadStatusReply();

    bool busy() const { return busy_; }
    bool cancelled() const { return cancelled_; }
    void cancel();

private:
    enum class Stop { Complete, TimedOut, Abandoned };
    // Waits cycle by cycle, appending input to `accumulated`, until `complete` says so, the time
    // runs out, the port closes or the exchange is cancelled.
    template <typename Complete>
    Stop collect(QByteArray &accumulated, double limit, Complete complete);
    bool canStart() const;

    SerialControl &port_;
    EventWait &wait_;
    const Clock &clock_;
    bool busy_ = false;
    bool cancelled_ = false;
};
