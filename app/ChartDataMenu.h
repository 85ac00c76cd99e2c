#pragma once

#include <QObject>
#include <memory>

class BackgroundJobs;
class ChartExporter;
class FileChooser;
class Prompts;
class QAction;
class QMenu;
class QWidget;
class RecordingOpener;
class SerialControl;
class StripChartWidget;

// The chart menu's entries for the chart's data, added after what the menu already holds:
// "Open Recording...", "Export Chart Data...", "Save Chart Picture...", "Copy Values at Cursor".
class ChartDataMenu final : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        QMenu &menu;
        StripChartWidget &chart;
        SerialControl &port;
        Prompts &prompts;
        // The window that owns the dialogs.
        QWidget *owner = nullptr;
        // Qt's file dialogs when none is given.
        FileChooser *files = nullptr;
        // Where Open Recording's dialog starts.
        QString recordingsFolder = QString();
        // The program's running jobs; the menu keeps its own when none is given.
        BackgroundJobs *jobs = nullptr;
    };

    // Goes with the menu.
    explicit ChartDataMenu(const Parts &parts);
    ~ChartDataMenu() override;

    RecordingOpener &opener() const { return *opener_; }
    ChartExporter &exporter() const { return *exporter_; }

    QAction *openRecording = nullptr;
    QAction *exportChartData = nullptr;
    QAction *saveChartPicture = nullptr;
    QAction *copyValuesAtCursor = nullptr;

    void savePicture();
    void copyValues();

private:
    StripChartWidget &chart_;
    Prompts &prompts_;
    std::unique_ptr<FileChooser> ownFiles_;
    FileChooser *files_;
    std::unique_ptr<BackgroundJobs> ownJobs_;
    RecordingOpener *opener_ = nullptr;
    ChartExporter *exporter_ = nullptr;
};
