#pragma once

#include "publish/BrokerAddress.h"
#include "publish/PublishLog.h"

#include <QString>

// A broker's refusal (the login, the TLS certificate) is told once per reason, not on every try;
// a connection that works forgets it, so the next refusal is told again.
class RefusalOnce
{
public:
    // True, and logged, when the reason differs from the last one told.
    bool isNew(const BrokerAddress &broker, const QString &reason)
    {
        if (reason == last_)
            return false;
        last_ = reason;
        qCWarning(lcPublish, "broker %s:%d: %s", qPrintable(broker.host), broker.port,
                  qPrintable(reason));
        return true;
    }
    void forget() { last_.clear(); }

private:
    QString last_;
};
