#pragma once

#include <QObject>
#include <QString>

class BackgroundJobs;
class FileChooser;
class Prompts;
class SerialControl;
class StripChartWidget;

// "Open Recording..." and the FILE on the command line: reads a recording or an exported chart
// on a worker thread into a store of its own, which then takes the chart's place. A cancel or a
// file that is not a recording leaves the chart as it was. Only while the port is closed: the
// chart then shows no live readings that the file would replace.
class RecordingOpener final : public QObject
{
    Q_OBJECT

public:
    RecordingOpener(StripChartWidget &chart, SerialControl &port, Prompts &prompts,
                    FileChooser &files, BackgroundJobs &jobs, QWidget *owner);

    // Asks for the file, then opens it.
    void chooseAndOpen();
    void open(const QString &path);

signals:
    // Loading is over (loaded, cancelled or refused).
    void loadEnded(bool loaded);

private:
    bool portClosed();

    StripChartWidget &chart_;
    SerialControl &port_;
    Prompts &prompts_;
    FileChooser &files_;
    BackgroundJobs &jobs_;
    QWidget *owner_;
};
