#pragma once

#include <QObject>
#include <QString>

class BackgroundJobs;
class FileChooser;
class Prompts;
class StripChartWidget;

// "Export Chart Data...": every point the chart holds, written as a recording on a worker
// thread from a snapshot of the store, so the live chart goes on meanwhile.
class ChartExporter final : public QObject
{
    Q_OBJECT

public:
    ChartExporter(StripChartWidget &chart, Prompts &prompts, FileChooser &files,
                  BackgroundJobs &jobs, QWidget *owner);

    void chooseAndExport();
    void exportTo(const QString &path);

signals:
    void exportEnded(bool written);

private:
    StripChartWidget &chart_;
    Prompts &prompts_;
    FileChooser &files_;
    BackgroundJobs &jobs_;
    QWidget *owner_;
};
