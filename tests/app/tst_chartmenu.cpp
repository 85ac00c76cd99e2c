// The chart's right-click menu on the real main window, offscreen: its entries, the recording
// choice kept between runs, --no-record for one run, and the right click itself.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "app/ChartMenu.h"
#include "app/frmOrvelShow.h"
#include "platform/display/StripChartWidget.h"
#include "recording/Recorder.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

using namespace Qt::StringLiterals;

namespace
{

struct Rig {
    explicit Rig(const QString &folder, bool enabledThisRun = true)
        : recorder(prompts, [&] {
              Recorder::Options options;
              options.folder = folder;
              options.enabledThisRun = enabledThisRun;
              return options;
          }())
    {
    }

    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    Recorder recorder;
    frmOrvelShow window{port, clock, prompts};
    ChartMenu *menu = new ChartMenu(window.chart(), recorder, prompts);
};

bool savedChoice()
{
    return QSettings(QCoreApplication::applicationName())
        .value(QLatin1String(ChartMenu::RecordReadingsKey), true)
        .toBool();
}

} // namespace

class TestChartMenu : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { opened.append(url); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    }
    void init() { QSettings(QCoreApplication::applicationName()).clear(); }

    void entriesInOrderRecordingOnByDefault()
    {
        Rig rig(folder.path());
        const QList<QAction *> actions = rig.menu->menu()->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[0]->text(), QStringLiteral("Record Readings"));
        QVERIFY(actions[0]->isCheckable());
        QVERIFY(actions[0]->isChecked());
        QVERIFY(actions[0]->isEnabled());
        QCOMPARE(actions[1]->text(), QStringLiteral("Open Recordings Folder"));
        QVERIFY(actions[2]->isSeparator());
        QVERIFY(rig.recorder.isRecording());
        // The main window's menu bar is as it was.
        QCOMPARE(rig.window.menuBar()->actions().size(), 6);
    }

    void choiceKeptBetweenRuns()
    {
        {
            Rig rig(folder.path());
            rig.menu->recordReadings->trigger();
            QVERIFY(!rig.recorder.isRecording());
            QVERIFY(!savedChoice());
        }
        {
            Rig rig(folder.path());
            QVERIFY(!rig.menu->recordReadings->isChecked());
            QVERIFY(!rig.recorder.isRecording());
            rig.menu->recordReadings->trigger();
            QVERIFY(rig.recorder.isRecording());
        }
        QVERIFY(savedChoice());
    }

    // --no-record: off and greyed for this run; the saved choice is not touched.
    void offForThisRunLeavesTheSavedChoice()
    {
        Rig rig(folder.path(), false);
        QVERIFY(!rig.menu->recordReadings->isChecked());
        QVERIFY(!rig.menu->recordReadings->isEnabled());
        QVERIFY(!rig.recorder.isRecording());
        QVERIFY(rig.menu->recordReadings->toolTip().contains(u"--no-record"_s));
        QVERIFY(!QSettings(QCoreApplication::applicationName())
                     .contains(QLatin1String(ChartMenu::RecordReadingsKey)));
    }

    // A right click on the plot opens the menu and leaves the cursor where it was.
    void rightClickOpensTheMenuNotTheCursor()
    {
        Rig rig(folder.path());
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QWidget *plot = rig.window.chart().findChild<QCustomPlot *>();
        QVERIFY(plot);
        QSignalSpy cursor(&rig.window.chart(), &StripChartWidget::CursorEvent);
        const QPoint inside = plot->rect().center();
        QTest::mousePress(plot, Qt::RightButton, {}, inside);
        QTest::mouseRelease(plot, Qt::RightButton, {}, inside);
        QCOMPARE(cursor.size(), 0);
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, plot->mapToGlobal(inside));
        QApplication::sendEvent(plot, &event);
        QTRY_VERIFY(rig.menu->menu()->isVisible());
        rig.menu->menu()->close();
        QTest::mouseClick(plot, Qt::LeftButton, {}, inside);
        QCOMPARE(cursor.size(), 1);
    }

    void openRecordingsFolderShowsIt()
    {
        const QString recordings = folder.filePath(u"recordings"_s);
        Rig rig(recordings);
        QTRY_VERIFY(QFileInfo(recordings).isDir());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        rig.menu->openRecordingsFolder->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(recordings)});
        QVERIFY(rig.prompts.messages.isEmpty());
    }

private:
    QTemporaryDir settingsDir;
    QTemporaryDir folder;
    QList<QUrl> opened;
};

QTEST_MAIN(TestChartMenu)
#include "tst_chartmenu.moc"
