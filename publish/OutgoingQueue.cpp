#include "publish/OutgoingQueue.h"

#include <algorithm>
#include <utility>

OutgoingQueue::OutgoingQueue(qsizetype readingCapacity, qsizetype eventCapacity)
    : readingCapacity_(readingCapacity), eventCapacity_(eventCapacity)
{
}

std::deque<OutgoingMessage> &OutgoingQueue::lane(OutgoingMessage::Kind kind)
{
    return kind == OutgoingMessage::Kind::Reading ? readings_ : events_;
}

bool OutgoingQueue::push(OutgoingMessage::Kind kind, QByteArray payload)
{
    const bool reading = kind == OutgoingMessage::Kind::Reading;
    QMutexLocker lock(&mutex_);
    auto &queue = lane(kind);
    if (qsizetype(queue.size()) >= (reading ? readingCapacity_ : eventCapacity_)) {
        ++(reading ? dropped_.readings : dropped_.events);
        return false;
    }
    queue.push_back({kind, nextSequence_++, std::move(payload)});
    return true;
}

std::vector<OutgoingMessage> OutgoingQueue::take(qsizetype max)
{
    std::vector<OutgoingMessage> taken;
    QMutexLocker lock(&mutex_);
    while (qsizetype(taken.size()) < max && !(readings_.empty() && events_.empty())) {
        auto &from =
            events_.empty() ? readings_
            : readings_.empty()
                ? events_
                : (events_.front().sequence < readings_.front().sequence ? events_ : readings_);
        taken.push_back(std::move(from.front()));
        from.pop_front();
    }
    return taken;
}

void OutgoingQueue::putBack(std::vector<OutgoingMessage> messages)
{
    std::sort(messages.begin(), messages.end(),
              [](const auto &a, const auto &b) { return a.sequence > b.sequence; });
    QMutexLocker lock(&mutex_);
    for (auto &message : messages)
        lane(message.kind).push_front(std::move(message));
}

OutgoingQueue::Dropped OutgoingQueue::takeDropped()
{
    QMutexLocker lock(&mutex_);
    return std::exchange(dropped_, {});
}

qsizetype OutgoingQueue::size() const
{
    QMutexLocker lock(&mutex_);
    return qsizetype(readings_.size() + events_.size());
}
