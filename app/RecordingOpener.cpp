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
#include <QStringList>
#include <memory>

RecordingOpener::RecordingOpener(StripChartWidget &chart, SerialControl &port, Prompts &prompts,
                                 FileChooser &files, BackgroundJobs &jobs,
                                 const QString &recordingsFolder, QWidget *owner)
    : QObject(owner), chart_(chart), port_(port), prompts_(prompts), files_(files), jobs_(jobs),
      recordingsFolder_(recordingsFolder), owner_(owner)
{
}

QString RecordingOpener::noticeFor(const QString &name, const RecordingLoad &load)
{
    const auto day = [](QDate date) { return date.toString(QStringLiteral("yyyy-MM-dd")); };
    const QString dates =
        load.firstDate == load.lastDate
            ? day(load.firstDate)
            : QStringLiteral("%1 to %2").arg(day(load.firstDate), day(load.lastDate));
    return QStringLiteral("%1: %2").arg(name, dates);
}

QString RecordingOpener::skippedText(qint64 badRows, const QString &file)
{
    if (badRows == 1)
        return QStringLiteral("1 of the rows in %1 could not be read and was skipped.").arg(file);
    return QStringLiteral("%1 of the rows in %2 could not be read and were skipped.")
        .arg(badRows)
        .arg(file);
}

QString RecordingOpener::outOfOrderText(qint64 rows, const QString &file)
{
    if (rows == 1)
        return QStringLiteral("1 row in %1 was earlier than the row before it and was skipped.")
            .arg(file);
    return QStringLiteral("%1 rows in %2 were earlier than the row before them and were skipped.")
        .arg(rows)
        .arg(file);
}

QString RecordingOpener::openedText(qint64 readings)
{
    return readings == 1 ? QStringLiteral("1 reading was opened.")
                         : QStringLiteral("%1 readings were opened.").arg(readings);
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
    emit opening();
    const QString path = files_.openFile(QStringLiteral("Open Recording"), recordingsFolder_,
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
    emit opening();
    struct Load {
        ChartStore store;
        RecordingLoad result;
    };
    auto load = std::make_shared<Load>();
    const QString shown = QDir::toNativeSeparators(path);
    const QString name = QFileInfo(path).fileName();
    jobs_.run(
        owner_, QStringLiteral("Opening %1").arg(QFileInfo(path).fileName()),
        [load, path](JobProgress &progress) {
            load->result = RecordingReader::load(path, load->store, progress);
        },
        [this, load, shown, name, path](bool) {
            const RecordingLoad &result = load->result;
            // Start may have been chosen meanwhile: live readings win.
            const bool loaded = result.status == RecordingLoad::Status::Loaded && !port_.PortOpen();
            if (loaded) {
                chart_.takeStore(load->store);
                chart_.setFileNotice(noticeFor(name, result));
            }
            if (result.status == RecordingLoad::Status::Refused) {
                prompts_.message(QStringLiteral("Cannot open %1 as a recording.").arg(shown),
                                 result.reason);
            } else if (loaded && (result.badRows > 0 || result.outOfOrder > 0)) {
                QStringList skipped;
                if (result.badRows > 0)
                    skipped << skippedText(result.badRows, shown);
                if (result.outOfOrder > 0)
                    skipped << outOfOrderText(result.outOfOrder, shown);
                prompts_.message(skipped.join(QLatin1Char(' ')), openedText(result.readings));
            }
            emit loadEnded(loaded);
            if (loaded)
                emit this->loaded(path);
        });
}
