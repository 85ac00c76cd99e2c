#include "app/RecordingOpener.h"

#include "app/BackgroundJob.h"
#include "app/FileChooser.h"
#include "chartdata/ChartStore.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/Prompts.h"
#include "platform/serial/SerialControl.h"
#include "recording/RecordingReader.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

RecordingOpener::RecordingOpener(StripChartWidget &chart, SerialControl &port, Prompts &prompts,
                                 FileChooser &files, BackgroundJobs &jobs, QWidget *owner)
    : QObject(owner), chart_(chart), port_(port), prompts_(prompts), files_(files), jobs_(jobs),
      owner_(owner)
{
}

bool RecordingOpener::portClosed()
{
    if (!port_.PortOpen())
        return true;
    prompts_.message(QStringLiteral("A recording can be opened only while the port is closed."),
                     QStringLiteral("Choose Stop to end the live readings, then open the "
                                    "recording."));
    return false;
}

void RecordingOpener::chooseAndOpen()
{
    if (!portClosed())
        return;
    const QString path = files_.openFile(QStringLiteral("Open Recording"),
                                         QStringLiteral("Recordings (*.csv);;All files (*)"));
    if (!path.isEmpty())
        open(path);
}

void RecordingOpener::open(const QString &path)
{
    if (!portClosed()) {
        emit loadEnded(false);
        return;
    }
    struct Load {
        ChartStore store;
        RecordingLoad result;
    };
    auto load = std::make_shared<Load>();
    const QString shown = QDir::toNativeSeparators(path);
    jobs_.run(
        owner_, QStringLiteral("Opening %1").arg(QFileInfo(path).fileName()),
        [load, path](JobProgress &progress) {
            load->result = RecordingReader::load(path, load->store, progress);
        },
        [this, load, shown](bool) {
            const RecordingLoad &result = load->result;
            // Start may have been chosen meanwhile: live readings win.
            const bool loaded = result.status == RecordingLoad::Status::Loaded && !port_.PortOpen();
            if (loaded)
                chart_.takeStore(load->store, result.dayZero);
            if (result.status == RecordingLoad::Status::Refused) {
                prompts_.message(QStringLiteral("Cannot open %1 as a recording.").arg(shown),
                                 result.reason);
            } else if (loaded && result.badRows > 0) {
                prompts_.message(
                    QStringLiteral("%1 of the rows in %2 could not be read and were skipped.")
                        .arg(result.badRows)
                        .arg(shown),
                    QStringLiteral("%1 readings were opened.").arg(result.readings));
            }
            emit loadEnded(loaded);
        });
}
