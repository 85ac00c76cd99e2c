#pragma once

#include <QObject>
#include <QString>

class BackgroundJobs;
class FileChooser;
class Prompts;
class SerialControl;
class StripChartWidget;
struct RecordingLoad;

// "Open Recording..." and the FILE on the command line: reads a recording or an exported chart
// on a worker thread into a store of its own, which then takes the chart's place. A cancel or a
// file that is not a recording leaves the chart as it was. Only while the port is closed: the
// chart then shows no live readings that the file would replace.
class RecordingOpener final : public QObject
{
    Q_OBJECT

public:
    // Open Recording's dialog starts in the recordings folder.
    RecordingOpener(StripChartWidget &chart, SerialControl &port, Prompts &prompts,
                    FileChooser &files, BackgroundJobs &jobs, const QString &recordingsFolder,
                    QWidget *owner);

    // Asks for the file, then opens it.
    void chooseAndOpen();
    void open(const QString &path);

    // The message after a load that skipped rows, and its detail.
    static QString skippedText(qint64 badRows, const QString &file);
    static QString outOfOrderText(qint64 rows, const QString &file);
    static QString openedText(qint64 readings);

signals:
    // Opening was chosen with the port closed (before the file is asked for or read).
    void opening();
    // Loading is over (loaded, cancelled or refused).
    void loadEnded(bool loaded);
    // The file's readings now stand in the chart.
    void loaded(const QString &path);

private:
    bool portClosed();
    // The chart's notice for a loaded file: its name and the dates it spans.
    static QString noticeFor(const QString &name, const RecordingLoad &load);

    StripChartWidget &chart_;
    SerialControl &port_;
    Prompts &prompts_;
    FileChooser &files_;
    BackgroundJobs &jobs_;
    const QString recordingsFolder_;
    QWidget *owner_;
};
