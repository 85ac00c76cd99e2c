#include "app/LastFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace
{

constexpr char Key[] = "lastSaveFolder";

} // namespace

namespace LastFolder
{

QString path(const QString &fallback)
{
    const QString kept =
        QSettings(QCoreApplication::applicationName()).value(QLatin1String(Key)).toString();
    return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : fallback;
}

void remember(const QString &chosenFile)
{
    QSettings(QCoreApplication::applicationName())
        .setValue(QLatin1String(Key), QFileInfo(chosenFile).absolutePath());
}

} // namespace LastFolder
