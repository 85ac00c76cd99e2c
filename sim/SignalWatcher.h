#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a signal on the event loop, so the simulator ends cleanly.
class SignalWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    bool install(QString *error);

signals:
    void terminationRequested();

private:
    static void onSignal(int);
    static inline int pipe_[2] = {-1, -1};
    QSocketNotifier *notifier_ = nullptr;
};
