#pragma once

#include <QByteArray>
#include <QString>

// What the text accumulated so far says about the device's reply to one command.
struct ReplyVerdict {
    enum Kind {
        Incomplete,   // keep waiting
        Acknowledged, // "OK" CR LF at the very start: the result is "OK"
        Value,        // a value line in front of "OK" CR LF: the result is the value
        Refused,      // "ERROR" CR LF: the result is "ERROR"
    };
    Kind kind = Incomplete;
    // The transaction's result for every kind but Incomplete.
    QString result;

    bool isComplete() const { return kind != Incomplete; }
};

// Pure: the same text always gives the same verdict. An acknowledgement or value wins over a
// refusal in the same text. "OK" CR LF with only one or two characters before it (an empty value
// line) is neither, so such a reply ends by refusal or time-out.
ReplyVerdict classifyReply(const QByteArray &accumulated);

// The result of a transaction that ran out of time: ">>>" followed by everything that arrived.
QString noReplyResult(const QByteArray &accumulated);
