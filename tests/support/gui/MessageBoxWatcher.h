#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Watches for the program's message boxes while a test drives it, records their texts and
// dismisses each with its OK button, as a user would.
class MessageBoxWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxWatcher(QObject *parent = nullptr);

    struct Seen {
        QString title;
        QString text;
        QString detail;
        int buttons;
        bool hasIcon;
    };
    QList<Seen> seen;
    QStringList texts() const;
    // Dismisses boxes only after they have been up this long (a user's reaction time).
    int delayMs = 0;
    // Stops watching (a benchmark that expects no box need not wake every 10 ms).
    void stop() { timer_.stop(); }

private:
    void poll();
    QTimer timer_;
};
