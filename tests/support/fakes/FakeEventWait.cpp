#include "FakeEventWait.h"

#include "FakeSerialControl.h"

#include <algorithm>

void FakeEventWait::deliverAfter(double afterSeconds, const QByteArray &bytes)
{
    due_.append({clock_.elapsed + afterSeconds, bytes});
    std::stable_sort(due_.begin(), due_.end(),
                     [](const Due &a, const Due &b) { return a.at < b.at; });
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
    double until = clock_.elapsed + step;
    if (!due_.isEmpty() && due_.first().at < until)
        until = std::max(due_.first().at, clock_.elapsed);
    clock_.advance(until - clock_.elapsed);
    while (!due_.isEmpty() && due_.first().at <= clock_.elapsed) {
        const QByteArray bytes = due_.takeFirst().bytes;
        port_.deliver(bytes);
    }
}
