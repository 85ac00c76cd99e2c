#pragma once

#include "platform/runtime/EventWait.h"

#include <QObject>

class QEventLoop;

// EventWait on Qt's event loop: a nested QEventLoop that a single-shot timer or interrupt()
// ends. Connect whatever should wake a wait (the serial control's inputArrived) to interrupt().
class QtEventWait final : public QObject, public EventWait
{
    Q_OBJECT

public:
    explicit QtEventWait(QObject *parent = nullptr);
    void processEvents(int maxMs) override;

public slots:
    void interrupt() override;

private:
    QEventLoop *loop_ = nullptr;
    bool pendingWake_ = false;
};
