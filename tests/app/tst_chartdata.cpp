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
#include "chartdata/ChartTime.h"
#include "platform/display/StripChartWidget.h"

#include <QClipboard>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{

// Answers the file dialogs with what the test set.
class FakeFileChooser final : public FileChooser
{
public:
    QString openFile(const QString &, const QString &folder, const QString &) override
    {
        ++asked;
        openedIn = folder;
        return path;
    }
    QString saveFile(const QString &, const QString &suggested, const QString &filters,
                     QString *chosenFilter) override
    {
        ++asked;
        suggestedPath = suggested;
        offeredFilters = filters;
        if (chosenFilter)
            *chosenFilter = filter;
        return path;
    }
    QString path;
    QString filter;
    QString offeredFilters;
    QString openedIn;
    QString suggestedPath;
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
    ChartDataMenu &menu = *new ChartDataMenu(
        {chartMenu, window.chart(), port, prompts, &window, &files, QStringLiteral("/recs")});
    StripChartWidget &chart = window.chart();
    // Live points land on 2026-12-07, the day before this clock's.
    bool placed = [this] {
        chart.setNowSource(
            [] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5), QTimeZone(3600)); });
        return true;
    }();
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

// A time of day as the live monitor hands it to the chart.
double tod(int h, int m, int s)
{
    return double((h * 60 + m) * 60 + s) / 86400.0;
}

// The chart's X of that time on 2026-12-07 (+01:00); a time past 24:00 is the next day's.
double at(int h, int m, int s)
{
    return ChartTime::fromMsecs(
        QDateTime(QDate(2026, 12, 7), QTime(0, 0), QTimeZone(3600)).toMSecsSinceEpoch() +
        qint64((h * 60 + m) * 60 + s) * 1000);
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
        qputenv("TZ", "Europe/Berlin");
        QVERIFY(dir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir_.filePath(u"settings"_s));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           dir_.filePath(u"settings"_s));
    }

    // Open Recording starts in the recordings folder; the save dialogs in the folder last saved
    // in, also in the next run, while it exists.
    void dialogsStartWhereTheUserWorks()
    {
        QSettings(QCoreApplication::applicationName()).clear();
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString chosen = dir_.filePath(u"chosen"_s);
        QVERIFY(QDir().mkpath(chosen));
        {
            Rig rig;
            rig.menu.openRecording->trigger();
            QCOMPARE(rig.files.openedIn, QStringLiteral("/recs"));
            rig.menu.saveChartPicture->trigger(); // cancelled
            QCOMPARE(rig.files.suggestedPath, QDir(pictures).filePath(u"orvel-chart.png"_s));
            rig.files.path = chosen + u"/chart.png"_s;
            rig.menu.saveChartPicture->trigger();
            rig.chart.AddPoint(0, tod(9, 0, 0), 5);
            rig.files.path.clear();
            rig.menu.exportChartData->trigger();
            QCOMPARE(QFileInfo(rig.files.suggestedPath).path(), chosen);
        }
        Rig nextRun;
        nextRun.menu.saveChartPicture->trigger();
        QCOMPARE(nextRun.files.suggestedPath, QString(chosen + u"/orvel-chart.png"_s));
        QVERIFY(QDir(chosen).removeRecursively());
        nextRun.menu.saveChartPicture->trigger();
        QCOMPARE(nextRun.files.suggestedPath, QDir(pictures).filePath(u"orvel-chart.png"_s));
    }

    void entriesInOrder()
    {
        Rig rig;
        QStringList captions;
        for (QAction *action : rig.chartMenu.actions()) {
            if (!action->isSeparator())
                captions.append(action->text());
        }
        QCOMPARE(captions, (QStringList{u"Open Recording..."_s, u"Export Chart Data..."_s,
                                        u"Save Chart Picture..."_s, u"Copy Values at Cursor"_s}));
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
        const QString path = file(u"x.csv"_s, "time,elevation,azimuth\r\n1\r\n");
        rig.menu.openRecording->trigger();
        QCOMPARE(rig.files.asked, 0);
        // The command line's file, the same.
        QSignalSpy ended(&rig.menu.opener(), &RecordingOpener::loadEnded);
        rig.menu.opener().open(path);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toBool(), false);
        const QString why = u"A recording can be opened only while the port is closed."_s;
        QCOMPARE(rig.prompts.messages, (QStringList{why, why}));
        QCOMPARE(rig.chart.store().trace(0).appended(), 1u);
    }

    // A file that is not a recording is refused by name and reason; the chart keeps its points.
    void refusedFileLeavesTheChart()
    {
        Rig rig;
        rig.chart.AddPoint(0, tod(9, 0, 0), 5);
        const QString path = file(u"picture.csv"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
        QVERIFY(!openAndWait(rig, path));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].contains(QDir::toNativeSeparators(path)));
        QVERIFY(rig.prompts.details[0].contains(u"binary"_s));
        QCOMPARE(pointsOf(rig.chart, 0), (QList<QPair<double, double>>{{at(9, 0, 0), 5}}));
    }

    // Whatever the result, the progress dialog is gone before the message about it; counts
    // of one read as one.
    void resultToldOnceTheProgressIsGone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // %1: the file
        QTest::addColumn<QString>("detail");
        const QByteArray header = "time,elevation,azimuth\r\n";
        const QByteArray row = "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n";
        QTest::newRow("refused") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)
                                 << "Cannot open %1 as a recording."
                                 << "It holds binary data, not the text of a recording.";
        QTest::newRow("one skipped, one opened")
            << header + row + "bad\r\n"
            << "1 of the rows in %1 could not be read and was skipped."
            << "1 reading was opened.";
        QTest::newRow("two skipped, two opened")
            << header + row + row + "bad\r\nbad\r\n"
            << "2 of the rows in %1 could not be read and were skipped."
            << "2 readings were opened.";
    }
    void resultToldOnceTheProgressIsGone()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        Rig rig;
        rig.window.show();
        int progressDialogsAtMessage = -1;
        rig.prompts.onMessage = [&](const QString &) {
            progressDialogsAtMessage = int(rig.window.findChildren<QProgressDialog *>().size());
        };
        const QString path = file(u"result.csv"_s, bytes);
        openAndWait(rig, path);
        QCOMPARE(rig.prompts.messages, QStringList{message.arg(QDir::toNativeSeparators(path))});
        QCOMPARE(rig.prompts.details, QStringList{detail});
        QCOMPARE(progressDialogsAtMessage, 0);
    }

    // Cancel in the progress dialog: the chart keeps what it had. The file is large (a sparse
    // hole after a row) so that the reading is still going when the test cancels.
    void cancelledLoadLeavesTheChart()
    {
        Rig rig;
        rig.window.show();
        rig.chart.AddPoint(0, tod(9, 0, 0), 5);
        const QString slow = file(u"slow.csv"_s, "time,elevation,azimuth\r\n"
                                                 "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n");
        QVERIFY(QFile::resize(slow, qint64(8) << 30));
        QSignalSpy ended(&rig.menu.opener(), &RecordingOpener::loadEnded);
        rig.files.path = slow;
        rig.menu.openRecording->trigger();
        auto *progress = rig.window.findChild<QProgressDialog *>(u"orvelProgress"_s);
        QVERIFY(progress);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Orvel On-Line"));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        auto *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        cancel->click();
        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.first().first().toBool(), false);
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(pointsOf(rig.chart, 0), (QList<QPair<double, double>>{{at(9, 0, 0), 5}}));
    }

    // A good file takes the chart's place: the view spans it, the cursor reads it, the count of
    // bad rows is told; Start then clears it as any chart.
    void openedRecordingReadsBackAndStartClearsIt()
    {
        Rig rig;
        rig.chart.AddPoint(0, tod(9, 0, 0), 5);
        const QString path = file(u"day.csv"_s, "time,elevation,azimuth\r\n"
                                                "2026-12-07T14:05:09.123+01:00,12.5,-3.25\r\n"
                                                "not a row\r\n"
                                                "2026-12-07T14:05:20.000+01:00,13,40\r\n");
        QVERIFY(openAndWait(rig, path));
        QCOMPARE(rig.chart.fileNotice(), QStringLiteral("day.csv: 2026-12-07"));
        QCOMPARE(pointsOf(rig.chart, 0),
                 (QList<QPair<double, double>>{{at(14, 5, 9), 12.5}, {at(14, 5, 20), 13}}));
        QVERIFY(!rig.chart.isFollowing());
        QVERIFY(rig.chart.timeRange().contains(at(14, 5, 9)));
        QVERIFY(rig.chart.timeRange().contains(at(14, 5, 20)));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith(u"1 of the rows in "_s));

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
                rig.chart.AddPoint(0, tod(23, 59, 58 + s), s * 10 + k);
                rig.chart.AddPoint(1, tod(23, 59, 58 + s), 100 + s);
            }
        }
        rig.chart.AddPoint(0, tod(0, 0, 1), 77); // past midnight
        const auto before0 = pointsOf(rig.chart, 0);
        const auto before1 = pointsOf(rig.chart, 1);

        const QString path = dir_.filePath(u"export.csv"_s);
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
        QCOMPARE(rig.chart.fileNotice(), QStringLiteral("export.csv: 2026-12-07 to 2026-12-08"));
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void copyValuesAtTheCursor()
    {
        Rig rig;
        rig.chart.AddPoint(0, tod(10, 0, 0), -0.1);
        emit rig.chartMenu.aboutToShow();
        QVERIFY(!rig.menu.copyValuesAtCursor->isEnabled());
        rig.chart.setCursorX(at(10, 0, 0) + 0.5 / 86400);
        emit rig.chartMenu.aboutToShow();
        QVERIFY(rig.menu.copyValuesAtCursor->isEnabled());
        rig.menu.copyValuesAtCursor->trigger();
        // No azimuth point: an empty last field. Values as held, not rounded as the readout.
        QCOMPARE(QGuiApplication::clipboard()->text(), CursorValues::text(rig.chart));
        QCOMPARE(CursorValues::text(rig.chart, QLocale::c()),
                 QStringLiteral("2026-12-07 10:00:00\t-0.1\t"));
    }

    void picturesAtOnceAndTwiceTheSizeAndPdf()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        for (int s = 0; s < 60; ++s)
            rig.chart.AddPoint(0, tod(10, 0, s), s);
        QVERIFY(rig.files.offeredFilters.isEmpty());
        const QSize size = rig.chart.size();

        rig.files.path = dir_.filePath(u"chart"_s);
        rig.files.filter = u"PNG (*.png)"_s;
        rig.menu.saveChartPicture->trigger();
        QVERIFY(rig.files.offeredFilters.contains(u"PNG at twice the size (*.png)"_s));
        QCOMPARE(QImage(dir_.filePath(u"chart.png"_s)).size(), size);

        rig.files.path = dir_.filePath(u"chart2x.png"_s);
        rig.files.filter = u"PNG at twice the size (*.png)"_s;
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(QImage(dir_.filePath(u"chart2x.png"_s)).size(), size * 2);

        rig.files.path = dir_.filePath(u"chart.pdf"_s);
        rig.files.filter = u"PDF (*.pdf)"_s;
        rig.menu.saveChartPicture->trigger();
        QFile pdf(dir_.filePath(u"chart.pdf"_s));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        // The typed ending decides; a name without a known one gets the chosen type's.
        rig.files.path = dir_.filePath(u"typed.pdf"_s);
        rig.files.filter = u"PNG (*.png)"_s;
        rig.menu.saveChartPicture->trigger();
        QFile typed(dir_.filePath(u"typed.pdf"_s));
        QVERIFY(typed.open(QIODevice::ReadOnly));
        QVERIFY(typed.read(5) == "%PDF-");
        rig.files.path = dir_.filePath(u"typed.PNG"_s);
        rig.files.filter = u"PDF (*.pdf)"_s;
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(QImage(dir_.filePath(u"typed.PNG"_s), "png").size(), size);
        rig.files.path = dir_.filePath(u"chart.v2"_s);
        rig.files.filter = u"PNG at twice the size (*.png)"_s;
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(QImage(dir_.filePath(u"chart.v2.png"_s)).size(), size * 2);

        rig.files.path = dir_.filePath(u"no/such/folder/chart.png"_s);
        rig.files.filter = u"PNG (*.png)"_s;
        rig.menu.saveChartPicture->trigger();
        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith(u"Cannot save the picture"_s));
    }
};

QTEST_MAIN(TestChartData)
#include "tst_chartdata.moc"
