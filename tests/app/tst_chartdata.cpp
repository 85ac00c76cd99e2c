// The chart menu's data entries on the real main window, offscreen, over a fake port: opening
// recordings and exports, exporting, pictures and the cursor's values.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "MainWindowControls.h"
#include "WriteFile.h"
#include "app/ChartDataMenu.h"
#include "app/ChartExporter.h"
#include "app/CursorValues.h"
#include "app/FileChooser.h"
#include "app/RecordingOpener.h"
#include "app/frmOrvelShow.h"
#include "platform/display/StripChartWidget.h"

#include <QClipboard>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace
{

// Answers the file dialogs with what the test set.
class FakeFileChooser final : public FileChooser
{
public:
    QString openFile(const QString &, const QString &) override
    {
        ++asked;
        return path;
    }
    QString saveFile(const QString &, const QString &, const QString &filters,
                     QString *chosenFilter) override
    {
        ++asked;
        offeredFilters = filters;
        if (chosenFilter)
            *chosenFilter = filter;
        return path;
    }
    QString path;
    QString filter;
    QString offeredFilters;
    int asked = 0;
};

struct Rig {
    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    FakeFileChooser files;
    frmOrvelShow window{port, clock, prompts};
    MainWindowControls ui{window};
    QMenu chartMenu;
    ChartDataMenu &menu =
        *new ChartDataMenu({chartMenu, window.chart(), port, prompts, &window, &files});
    StripChartWidget &chart = window.chart();
};

QList<QPair<double, double>> pointsOf(const StripChartWidget &chart, int trace)
{
    QList<QPair<double, double>> points;
    const auto all = chart.store().snapshot();
    const TraceSeries::Snapshot &s = all[std::size_t(trace)];
    for (std::size_t g = 0; g < s.groupCount(); ++g) {
        for (std::uint64_t k = 0; k < s.groupSize(g); ++k)
            points.append({s.groupX(g), s.y(g, k)});
    }
    return points;
}

double at(int h, int m, int s)
{
    return double((h * 60 + m) * 60 + s) / 86400.0;
}

bool openAndWait(Rig &rig, const QString &path)
{
    QSignalSpy ended(&rig.menu.opener(), &RecordingOpener::loadEnded);
    rig.files.path = path;
    rig.menu.openRecording->trigger();
    if (ended.isEmpty() && !ended.wait(20000))
        return false;
    return ended.first().first().toBool();
}

} // namespace

class TestChartData : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir_.filePath(name), bytes);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
    }

    void entriesInOrder()
    {
        Rig rig;
        QStringList captions;
        for (QAction *action : rig.chartMenu.actions()) {
            if (!action->isSeparator())
                captions.append(action->text());
        }
        QCOMPARE(captions, (QStringList{"Open Recording...", "Export Chart Data...",
                                        "Save Chart Picture...", "Copy Values at Cursor"}));
        // Nothing to export or copy yet.
        emit rig.chartMenu.aboutToShow();
        QVERIFY(!rig.menu.exportChartData->isEnabled());
        QVERIFY(!rig.menu.copyValuesAtCursor->isEnabled());
    }

    // While the port is open the live readings own the chart: a message says why, and no
    // dialog is asked.
    void openOnlyWhileThePortIsClosed()
    {
        Rig rig;
        rig.ui.mnuStart->trigger();
        QVERIFY(rig.port.PortOpen());
        rig.port.deliver("12.34,359.96\r\n");
        const QString path = file("x.csv", "time,elevation,azimuth\r\n1\r\n");
        rig.menu.openRecording->trigger();
        QCOMPARE(rig.files.asked, 0);
        // The command line's file, the same.
        QSignalSpy ended(&rig.menu.opener(), &RecordingOpener::loadEnded);
        rig.menu.opener().open(path);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toBool(), false);
        const QString why = "A recording can be opened only while the port is closed.";
        QCOMPARE(rig.prompts.messages, (QStringList{why, why}));
        QCOMPARE(rig.chart.store().trace(0).appended(), 1u);
    }

    // A file that is not a recording is refused by name and reason; the chart keeps its points.
    void refusedFileLeavesTheChart()
    {
        Rig rig;
        rig.chart.AddPoint(0, at(9, 0, 0), 5);
        const QString path = file("picture.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
        QVERIFY(!openAndWait(rig, path));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].contains(QDir::toNativeSeparators(path)));
        QVERIFY(rig.prompts.details[0].contains("binary"));
        QCOMPARE(pointsOf(rig.chart, 0), (QList<QPair<double, double>>{{at(9, 0, 0), 5}}));
    }

    // Cancel in the progress dialog: the chart keeps what it had. The file is a FIFO so that
    // the reading is held until the test has cancelled.
    void cancelledLoadLeavesTheChart()
    {
        Rig rig;
        rig.window.show();
        rig.chart.AddPoint(0, at(9, 0, 0), 5);
        const QString fifo = dir_.filePath("slow.csv");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QSignalSpy ended(&rig.menu.opener(), &RecordingOpener::loadEnded);
        rig.files.path = fifo;
        rig.menu.openRecording->trigger();
        auto *progress = rig.window.findChild<QProgressDialog *>("orvelProgress");
        QVERIFY(progress);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Orvel On-Line"));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        auto *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        cancel->click();
        QFile writer(fifo);
        QVERIFY(writer.open(QIODevice::WriteOnly)); // meets the reader waiting on the other end
        writer.write("time,elevation,azimuth\r\n2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n");
        writer.close();
        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.first().first().toBool(), false);
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(pointsOf(rig.chart, 0), (QList<QPair<double, double>>{{at(9, 0, 0), 5}}));
    }

    // Streamed points are dated by the day the first of them arrived, on the program's clock.
    void livePointsAreDatedToday()
    {
        Rig rig;
        rig.clock.date = QDate(2031, 5, 17);
        rig.chart.AddPoint(0, rig.clock.time.msecsSinceStartOfDay() / 86400000.0, 1);
        QCOMPARE(rig.chart.dayZero(), rig.clock.date);
    }

    // A good file takes the chart's place: the view spans it, the cursor reads it, the count of
    // bad rows is told; Start then clears it as any chart.
    void openedRecordingReadsBackAndStartClearsIt()
    {
        Rig rig;
        rig.chart.AddPoint(0, at(9, 0, 0), 5);
        const QString path = file("day.csv", "time,elevation,azimuth\r\n"
                                             "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n"
                                             "not a row\r\n"
                                             "2026-12-07T14:05:20.000+01:00,13,40\r\n");
        QVERIFY(openAndWait(rig, path));
        QCOMPARE(rig.chart.dayZero(), QDate(2026, 12, 7));
        QCOMPARE(pointsOf(rig.chart, 0),
                 (QList<QPair<double, double>>{{at(14, 5, 9), 12.5}, {at(14, 5, 20), 13}}));
        QVERIFY(!rig.chart.isFollowing());
        QVERIFY(rig.chart.timeRange().contains(at(14, 5, 9)));
        QVERIFY(rig.chart.timeRange().contains(at(14, 5, 20)));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith("1 of the rows in "));

        rig.chart.setCursorX(at(14, 5, 15));
        QCOMPARE(rig.chart.ValueAtCursor(0), 12.5);
        QCOMPARE(rig.chart.ValueAtCursor(1), -3.25);
        QCOMPARE(CursorValues::text(rig.chart, QLocale::c()),
                 QStringLiteral("2026-12-07 14:05:15\t12.5\t-3.25"));
        QCOMPARE(CursorValues::text(rig.chart, QLocale(QLocale::German)),
                 QStringLiteral("2026-12-07 14:05:15\t12,5\t-3,25"));

        rig.ui.mnuStart->trigger();
        QVERIFY(rig.chart.store().isEmpty());
    }

    // The menu's export writes every point, whole history, and opening it gives them back.
    void exportThroughTheMenuThenOpen()
    {
        Rig rig;
        for (int s = 0; s < 3; ++s) {
            for (int k = 0; k < 3; ++k) {
                rig.chart.AddPoint(0, at(23, 59, 58 + s), s * 10 + k);
                rig.chart.AddPoint(1, at(23, 59, 58 + s), 100 + s);
            }
        }
        rig.chart.AddPoint(0, at(0, 0, 1), 77); // past midnight
        rig.chart.setDayZero(QDate(2026, 12, 7));
        const auto before0 = pointsOf(rig.chart, 0);
        const auto before1 = pointsOf(rig.chart, 1);

        const QString path = dir_.filePath("export.csv");
        rig.files.path = path;
        QSignalSpy ended(&rig.menu.exporter(), &ChartExporter::exportEnded);
        rig.menu.exportChartData->trigger();
        QVERIFY(ended.wait(20000));
        QVERIFY(ended.first().first().toBool());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 12); // header, ten rows, the empty rest after the last CR LF
        QVERIFY(lines[1].startsWith("2026-12-07T23:59:58.000"));
        QVERIFY(lines[10].startsWith("2026-12-08T00:00:01.000"));
        QVERIFY(lines[10].endsWith(",77,\r"));

        rig.chart.ClearChart();
        QVERIFY(openAndWait(rig, path));
        QCOMPARE(pointsOf(rig.chart, 0), before0);
        QCOMPARE(pointsOf(rig.chart, 1), before1);
        QCOMPARE(rig.chart.dayZero(), QDate(2026, 12, 7));
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void copyValuesAtTheCursor()
    {
        Rig rig;
        rig.chart.AddPoint(0, at(10, 0, 0), -0.1);
        rig.chart.setDayZero(QDate(2026, 1, 2));
        emit rig.chartMenu.aboutToShow();
        QVERIFY(!rig.menu.copyValuesAtCursor->isEnabled());
        rig.chart.setCursorX(at(10, 0, 0) + 0.5 / 86400);
        emit rig.chartMenu.aboutToShow();
        QVERIFY(rig.menu.copyValuesAtCursor->isEnabled());
        rig.menu.copyValuesAtCursor->trigger();
        // No azimuth point: an empty last field. Values as held, not rounded as the readout.
        QCOMPARE(QGuiApplication::clipboard()->text(), CursorValues::text(rig.chart));
        QCOMPARE(CursorValues::text(rig.chart, QLocale::c()),
                 QStringLiteral("2026-01-02 10:00:00\t-0.1\t"));
    }

    void picturesAtOnceAndTwiceTheSizeAndPdf()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        for (int s = 0; s < 60; ++s)
            rig.chart.AddPoint(0, at(10, 0, s), s);
        QVERIFY(rig.files.offeredFilters.isEmpty());
        const QSize size = rig.chart.size();

        rig.files.path = dir_.filePath("chart");
        rig.files.filter = "PNG (*.png)";
        rig.menu.saveChartPicture->trigger();
        QVERIFY(rig.files.offeredFilters.contains("PNG at twice the size (*.png)"));
        QCOMPARE(QImage(dir_.filePath("chart.png")).size(), size);

        rig.files.path = dir_.filePath("chart2x.png");
        rig.files.filter = "PNG at twice the size (*.png)";
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(QImage(dir_.filePath("chart2x.png")).size(), size * 2);

        rig.files.path = dir_.filePath("chart.pdf");
        rig.files.filter = "PDF (*.pdf)";
        rig.menu.saveChartPicture->trigger();
        QFile pdf(dir_.filePath("chart.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        rig.files.path = dir_.filePath("no/such/folder/chart.png");
        rig.files.filter = "PNG (*.png)";
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith("Cannot save the picture"));
    }
};

QTEST_MAIN(TestChartData)
#include "tst_chartdata.moc"
