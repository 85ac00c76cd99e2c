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
    // Room for that many scheduled deliveries, for a test that schedules many at once.
    void reserve(qsizetype deliveries) { due_.reserve(deliveries); }

    // For a waiter that reads the input after every cycle and gives up once more than `limit`
    // seconds have passed since `start` (as CommandTransaction does): from now on, one call also
    // runs through the cycles before it in which nothing could happen, those that bring no
    // delivery, end within the limit and start with the input empty and the port open, while no
    // onCycle is set. The waiter sees the clock read the same at every cycle in which something
    // does happen, and a long silence costs one call rather than one a cycle.
    void skipIdleCycles(double start, double limit)
    {
        skipFrom_ = start;
        skipLimit_ = limit;
        skipping_ = true;
    }
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
    bool skipping_ = false;
    double skipFrom_ = 0;
    double skipLimit_ = 0;
};
