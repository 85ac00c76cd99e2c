#pragma once

#include "FakeClock.h"
#include "platform/runtime/EventWait.h"

#include <QByteArray>
#include <QList>
#include <functional>

class FakeSerialControl;

// A wait that advances the fake clock instead of sleeping, and plays a scripted device: each
// cycle first delivers what is due, then moves time on by the cycle's length (or to the next
// due delivery, whichever comes first). `onCycle` lets a test act in the middle of a wait, as
// a user's click would.
class FakeEventWait final : public EventWait
{
public:
    FakeEventWait(FakeClock &clock, FakeSerialControl &port) : clock_(clock), port_(port) {}

    void processEvents(int maxMs) override;
    void interrupt() override { ++interrupts; }

    // Schedules bytes from the device `afterSeconds` after now.
    void deliverAfter(double afterSeconds, const QByteArray &bytes);
    // Answers every write matching `command` (exact, CR LF included) with `reply`, after `delay`.
    struct Rule {
        QByteArray command;
        QByteArray reply;
        double delay;
    };
    QList<Rule> rules;
    // Called from the written-command hook: applies the rules to new writes.
    void answerWrites();

    std::function<void()> onCycle;
    int cycles = 0;
    int interrupts = 0;

private:
    struct Due {
        double at;
        QByteArray bytes;
    };
    QList<Due> due_;
    FakeClock &clock_;
    FakeSerialControl &port_;
    qsizetype answered_ = 0;
};
