#include "app/ChartMenu.h"

#include "app/MonitoringDialog.h"
#include "platform/runtime/Prompts.h"
#include "recording/Recorder.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QSettings>
#include <QUrl>
#include <QWidget>

namespace
{

// The program's settings under its own name (~/.config/<name>.conf on Linux): it sets no
// organization, whose name would also move its data folder.
QString settingsName()
{
    return QCoreApplication::applicationName();
}

} // namespace

ChartMenu::ChartMenu(QWidget &chart, Recorder &recorder, Prompts &prompts)
    : QObject(&chart), chart_(chart), recorder_(recorder), prompts_(prompts),
      menu_(new QMenu(&chart))
{
    menu_->setObjectName(QStringLiteral("chartMenu"));
    menu_->setToolTipsVisible(true);

    recordReadings = menu_->addAction(QStringLiteral("Record Readings"));
    recordReadings->setObjectName(QStringLiteral("mnuRecordReadings"));
    recordReadings->setCheckable(true);
    const bool saved =
        QSettings(settingsName()).value(QLatin1String(RecordReadingsKey), true).toBool();
    recorder_.setRecordingOn(saved);
    if (recorder_.enabledThisRun()) {
        recordReadings->setChecked(saved);
        recordReadings->setToolTip(QDir::toNativeSeparators(recorder_.folder()));
        connect(recordReadings, &QAction::toggled, this, &ChartMenu::setRecordReadings);
    } else {
        // Off for this run only: the saved choice stays as it is.
        recordReadings->setEnabled(false);
        recordReadings->setToolTip(QStringLiteral("Turned off for this run (--no-record)"));
    }

    openRecordingsFolder = menu_->addAction(QStringLiteral("Open Recordings Folder"));
    openRecordingsFolder->setObjectName(QStringLiteral("mnuOpenRecordingsFolder"));
    connect(openRecordingsFolder, &QAction::triggered, this, &ChartMenu::openFolder);
    separator_ = menu_->addSeparator();

    // The chart's plot keeps mouse events from reaching the chart itself, so every widget the
    // chart is made of asks for the menu.
    QList<QWidget *> parts = chart_.findChildren<QWidget *>();
    parts.prepend(&chart_);
    for (QWidget *part : std::as_const(parts)) {
        if (part == menu_)
            continue;
        part->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(part, &QWidget::customContextMenuRequested, this,
                [this, part](const QPoint &pos) { menu_->popup(part->mapToGlobal(pos)); });
    }
}

void ChartMenu::setRecordReadings(bool on)
{
    recorder_.setRecordingOn(on);
    QSettings(settingsName()).setValue(QLatin1String(RecordReadingsKey), on);
}

void ChartMenu::openFolder()
{
    // The recorder makes the folder on its own thread: a disk that stalls never holds the menu.
    const QString folder = recorder_.folder();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        prompts_.message(QStringLiteral("Cannot open the recordings folder."),
                         QDir::toNativeSeparators(folder));
    }
}

void ChartMenu::addMonitoring(std::function<MonitoringSettings()> current,
                              std::function<void(const MonitoringSettings &)> apply)
{
    monitoring = new QAction(QStringLiteral("Monitoring..."), menu_);
    monitoring->setObjectName(QStringLiteral("mnuMonitoring"));
    menu_->insertAction(separator_, monitoring);
    connect(monitoring, &QAction::triggered, this,
            [this, current = std::move(current), apply = std::move(apply)] {
                auto *dialog = new MonitoringDialog(current(), chart_.window());
                dialog->setAttribute(Qt::WA_DeleteOnClose);
                connect(dialog, &QDialog::accepted, this, [dialog, apply] {
                    QSettings settings(settingsName());
                    saveMonitoringSettings(settings, dialog->settings());
                    apply(dialog->settings());
                });
                dialog->open();
            });
}
