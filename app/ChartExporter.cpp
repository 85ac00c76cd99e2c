#include "app/ChartExporter.h"

#include "app/BackgroundJob.h"
#include "app/FileChooser.h"
#include "app/LastFolder.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/Prompts.h"
#include "recording/ChartExport.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>

ChartExporter::ChartExporter(StripChartWidget &chart, Prompts &prompts, FileChooser &files,
                             BackgroundJobs &jobs, QWidget *owner)
    : QObject(owner), chart_(chart), prompts_(prompts), files_(files), jobs_(jobs), owner_(owner)
{
}

void ChartExporter::chooseAndExport()
{
    if (chart_.store().isEmpty()) {
        prompts_.message(QStringLiteral("The chart holds no readings to export."));
        return;
    }
    const QString folder =
        LastFolder::path(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString suggested =
        QDir(folder).filePath(QStringLiteral("orvel-%1.csv")
                                  .arg(chart_.localTimeAt(chart_.store().newestX())
                                           .toString(QStringLiteral("yyyy-MM-dd"))));
    const QString path = files_.saveFile(QStringLiteral("Export Chart Data"), suggested,
                                         QStringLiteral("CSV (*.csv)"), nullptr);
    if (path.isEmpty())
        return;
    LastFolder::remember(path);
    exportTo(path);
}

void ChartExporter::exportTo(const QString &path)
{
    struct Export {
        ChartExport::Points points;
        UtcOffsetRuns offsets;
        ChartExport::Result result;
    };
    auto job = std::make_shared<Export>();
    job->points = chart_.store().snapshot();
    job->offsets = chart_.store().offsets();
    const QString shown = QDir::toNativeSeparators(path);
    jobs_.run(
        owner_, QStringLiteral("Exporting to %1").arg(QFileInfo(path).fileName()),
        [job, path](JobProgress &progress) {
            job->result = ChartExport::save(job->points, job->offsets, path, progress);
            // The snapshot may hold chunks the chart has since let go: free them here.
            job->points = {};
        },
        [this, job, shown](bool) {
            const ChartExport::Result &result = job->result;
            if (result.status == ChartExport::Result::Status::Failed)
                prompts_.message(QStringLiteral("Cannot export the chart to %1.").arg(shown),
                                 result.error);
            emit exportEnded(result.status == ChartExport::Result::Status::Written);
        });
}
