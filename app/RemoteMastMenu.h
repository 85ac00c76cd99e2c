#pragma once

#include "publish/MqttSubscriber.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QWidget;
class RemoteWatch;

// The chart menu's "Watch Remote Mast..." (a dialog for the broker and the topic prefix, both
// kept between runs) and, while a mast is watched, "Stop Watching Remote Mast".
class RemoteMastMenu final : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        QMenu &menu;
        // The entries go before this one (at the end when null).
        QAction *before = nullptr;
        RemoteWatch &remote;
        // The window that owns the dialog.
        QWidget *owner = nullptr;
        // Starts watching what the dialog accepted.
        std::function<void(const SubscriberSettings &)> watch;
    };

    // Goes with the menu.
    explicit RemoteMastMenu(const Parts &parts);

    // The dialog's last accepted fields, in QSettings(applicationName()).
    static constexpr const char *BrokerKey = "remote/broker";
    static constexpr const char *PrefixKey = "remote/topicPrefix";

    QAction *watchRemoteMast = nullptr;
    QAction *stopWatching = nullptr;

private:
    void choose();

    RemoteWatch &remote_;
    QWidget *owner_;
    std::function<void(const SubscriberSettings &)> watch_;
};
