#pragma once

#include "watch/MonitoringSettings.h"

#include <QObject>
#include <functional>

class Prompts;
class QAction;
class QMenu;
class QWidget;
class Recorder;

// The strip chart's right-click menu: "Record Readings" (the choice kept between runs) and
// "Open Recordings Folder", then a separator before the chart's own data commands.
class ChartMenu final : public QObject
{
    Q_OBJECT

public:
    // The menu opens on a right click anywhere on the chart.
    ChartMenu(QWidget &chart, Recorder &recorder, Prompts &prompts);

    QMenu *menu() const { return menu_; }

    // Adds "Monitoring...", which opens the monitoring settings window on `current()`; what OK
    // keeps is saved and handed to `apply`.
    void addMonitoring(std::function<MonitoringSettings()> current,
                       std::function<void(const MonitoringSettings &)> apply);

    // The "Record Readings" choice (on when never set), in QSettings(applicationName()).
    static constexpr const char *RecordReadingsKey = "recording/recordReadings";

    QAction *recordReadings = nullptr;
    QAction *openRecordingsFolder = nullptr;
    QAction *monitoring = nullptr;

private:
    void setRecordReadings(bool on);
    void openFolder();

    QWidget &chart_;
    Recorder &recorder_;
    Prompts &prompts_;
    QMenu *menu_;
    QAction *separator_ = nullptr;
};
