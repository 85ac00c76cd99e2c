#pragma once

#include <QByteArray>
#include <QMutex>
#include <QtGlobal>

#include <deque>
#include <vector>

// One message waiting for the broker.
struct OutgoingMessage {
    enum class Kind { Reading, Event };
    Kind kind = Kind::Reading;
    // Order of arrival across both kinds: messages leave oldest first.
    quint64 sequence = 0;
    QByteArray payload;
};

// The messages between the caller and the broker connection, bounded per kind so an absent
// broker costs a fixed amount of memory: what does not fit is counted, not kept. Readings and
// events have their own room, so a flood of readings never pushes an event out. Safe to use from
// two threads: the caller pushes, the connection takes and puts back.
class OutgoingQueue
{
public:
    struct Dropped {
        quint64 readings = 0;
        quint64 events = 0;
        bool any() const { return readings || events; }
    };

    OutgoingQueue(qsizetype readingCapacity, qsizetype eventCapacity);

    // False when that kind's room is full; the message is counted as dropped.
    bool push(OutgoingMessage::Kind kind, QByteArray payload);
    // Up to max messages, oldest first, removed from the queue.
    std::vector<OutgoingMessage> take(qsizetype max);
    // Messages taken earlier and not delivered go back to the front, in their old order. They
    // may exceed the room for a moment: they were admitted once.
    void putBack(std::vector<OutgoingMessage> messages);
    // The counts since the last call, and zero from now.
    Dropped takeDropped();
    qsizetype size() const;

private:
    std::deque<OutgoingMessage> &lane(OutgoingMessage::Kind kind);

    mutable QMutex mutex_;
    std::deque<OutgoingMessage> readings_;
    std::deque<OutgoingMessage> events_;
    const qsizetype readingCapacity_;
    const qsizetype eventCapacity_;
    quint64 nextSequence_ = 0;
    Dropped dropped_;
};
