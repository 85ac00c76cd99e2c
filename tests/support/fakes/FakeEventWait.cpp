#include "FakeEventWait.h"

#include "FakeSerialControl.h"

#include <algorithm>
#include <limits>

void FakeEventWait::deliverAfter(double afterSeconds, const QByteArray &bytes)
{
    // After everything due at the same time or earlier, so those keep their order; a sort
    // per call made a long script quadratic.
    const double at = clock_.elapsed + afterSeconds;
    const auto place = std::upper_bound(due_.begin(), due_.end(), at,
                                        [](double t, const Due &d) { return t < d.at; });
    due_.insert(place, {at, bytes});
}

void FakeEventWait::answerWrites()
{
    for (; answered_ < port_.writes.size(); ++answered_) {
        const QByteArray &text = port_.writes[answered_].text;
        for (const Rule &rule : std::as_const(rules)) {
            if (rule.command == text) {
                deliverAfter(rule.delay, rule.reply);
                break;
            }
        }
    }
}

void FakeEventWait::processEvents(int maxMs)
{
    ++cycles;
    answerWrites();
    if (onCycle)
        onCycle();
    const double step = std::max(maxMs, 1) / 1000.0;
    if (skipping_ && !onCycle && port_.PortOpen() && port_.InBufferCount() == 0) {
        // Each cycle's end computed as the clock and the waiter compute it, so the skipping
        // stops at the very cycle in which the waiter would give up.
        const double next =
            due_.isEmpty() ? std::numeric_limits<double>::infinity() : due_.constFirst().at;
        double end = clock_.elapsed;
        int idle = 0;
        while (end + step <= next && (end + step) - skipFrom_ <= skipLimit_) {
            end += step;
            ++idle;
        }
        clock_.advance(step, idle);
        cycles += idle;
    }
    double until = clock_.elapsed + step;
    if (!due_.isEmpty() && due_.first().at < until)
        until = std::max(due_.first().at, clock_.elapsed);
    clock_.advance(until - clock_.elapsed);
    while (!due_.isEmpty() && due_.first().at <= clock_.elapsed) {
        const QByteArray bytes = due_.takeFirst().bytes;
        port_.deliver(bytes);
    }
}
