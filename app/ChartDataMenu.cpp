#include "app/ChartDataMenu.h"

#include "app/BackgroundJob.h"
#include "app/ChartExporter.h"
#include "app/ChartPicture.h"
#include "app/CursorValues.h"
#include "app/FileChooser.h"
#include "app/LastFolder.h"
#include "app/RecordingOpener.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/Prompts.h"

#include <QDir>
#include <QMenu>
#include <QStandardPaths>

ChartDataMenu::ChartDataMenu(const Parts &parts)
    : QObject(&parts.menu), chart_(parts.chart), prompts_(parts.prompts),
      ownFiles_(parts.files ? nullptr : std::make_unique<QtFileChooser>(parts.owner)),
      files_(parts.files ? parts.files : ownFiles_.get()),
      ownJobs_(parts.jobs ? nullptr : std::make_unique<BackgroundJobs>())
{
    BackgroundJobs &jobs = parts.jobs ? *parts.jobs : *ownJobs_;
    opener_ = new RecordingOpener(chart_, parts.port, prompts_, *files_, jobs,
                                  parts.recordingsFolder, parts.owner);
    exporter_ = new ChartExporter(chart_, prompts_, *files_, jobs, parts.owner);
    // They use this object's file chooser: they go with it.
    opener_->setParent(this);
    exporter_->setParent(this);

    QMenu &menu = parts.menu;
    openRecording = menu.addAction(QStringLiteral("Open Recording..."));
    openRecording->setObjectName(QStringLiteral("mnuOpenRecording"));
    exportChartData = menu.addAction(QStringLiteral("Export Chart Data..."));
    exportChartData->setObjectName(QStringLiteral("mnuExportChartData"));
    saveChartPicture = menu.addAction(QStringLiteral("Save Chart Picture..."));
    saveChartPicture->setObjectName(QStringLiteral("mnuSaveChartPicture"));
    copyValuesAtCursor = menu.addAction(QStringLiteral("Copy Values at Cursor"));
    copyValuesAtCursor->setObjectName(QStringLiteral("mnuCopyValuesAtCursor"));
    connect(openRecording, &QAction::triggered, opener_, &RecordingOpener::chooseAndOpen);
    connect(exportChartData, &QAction::triggered, exporter_, &ChartExporter::chooseAndExport);
    connect(saveChartPicture, &QAction::triggered, this, &ChartDataMenu::savePicture);
    connect(copyValuesAtCursor, &QAction::triggered, this, &ChartDataMenu::copyValues);
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        exportChartData->setEnabled(!chart_.store().isEmpty());
        copyValuesAtCursor->setEnabled(chart_.hasCursor());
    });
}

ChartDataMenu::~ChartDataMenu() = default;

void ChartDataMenu::savePicture()
{
    const QString folder =
        LastFolder::path(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    QString filter;
    const QString chosen = files_->saveFile(
        QStringLiteral("Save Chart Picture"),
        QDir(folder).filePath(QStringLiteral("orvel-chart.png")), ChartPicture::filters(), &filter);
    if (chosen.isEmpty())
        return;
    LastFolder::remember(chosen);
    const ChartPicture::Kind kind = ChartPicture::kindFor(chosen, filter);
    const QString path = ChartPicture::withSuffix(chosen, kind);
    if (!ChartPicture::save(chart_, path, kind))
        prompts_.message(
            QStringLiteral("Cannot save the picture to %1.").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Check that the folder exists and can be written to."));
}

void ChartDataMenu::copyValues()
{
    CursorValues::copy(chart_);
}
