#include "app/RemoteMastMenu.h"

#include "app/RemoteMastDialog.h"
#include "app/RemoteWatch.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>

RemoteMastMenu::RemoteMastMenu(const Parts &parts)
    : QObject(&parts.menu), remote_(parts.remote), owner_(parts.owner), watch_(parts.watch)
{
    watchRemoteMast = new QAction(QStringLiteral("Watch Remote Mast..."), &parts.menu);
    watchRemoteMast->setObjectName(QStringLiteral("mnuWatchRemoteMast"));
    stopWatching = new QAction(QStringLiteral("Stop Watching Remote Mast"), &parts.menu);
    stopWatching->setObjectName(QStringLiteral("mnuStopWatching"));
    stopWatching->setVisible(false);
    parts.menu.insertAction(parts.before, watchRemoteMast);
    parts.menu.insertAction(parts.before, stopWatching);
    connect(watchRemoteMast, &QAction::triggered, this, &RemoteMastMenu::choose);
    connect(stopWatching, &QAction::triggered, &remote_, &RemoteWatch::stop);
    connect(&remote_, &RemoteWatch::started, this, [this] { stopWatching->setVisible(true); });
    connect(&remote_, &RemoteWatch::ended, this, [this] { stopWatching->setVisible(false); });
}

void RemoteMastMenu::choose()
{
    QSettings saved(QCoreApplication::applicationName());
    auto *dialog =
        new RemoteMastDialog(saved.value(QLatin1StringView(BrokerKey)).toString(),
                             saved.value(QLatin1StringView(PrefixKey)).toString(), owner_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        QSettings settings(QCoreApplication::applicationName());
        settings.setValue(QLatin1StringView(BrokerKey), dialog->brokerText());
        settings.setValue(QLatin1StringView(PrefixKey), dialog->prefixText());
        watch_(dialog->settings());
    });
    dialog->open();
}
