#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP delivered on the event loop: the handler only writes the signal's
// number into a pipe, and a notifier on the pipe's other end raises the signals below. One
// instance per process.
class UnixSignals final : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignals(QObject *parent = nullptr);
    ~UnixSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool isReady() const { return notifier_ != nullptr; }

signals:
    void terminateRequested(int signal);
    void hangup();

private:
    void onReadable();

    QSocketNotifier *notifier_ = nullptr;
};
