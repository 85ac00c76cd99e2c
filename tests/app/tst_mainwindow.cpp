// The real main window, offscreen, over a fake port: its start-up state, menus and wiring.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "MainWindowControls.h"
#include "ScopedDefaultLocale.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"

#include <QMenuBar>
#include <QScreen>
#include <QtTest>
#include <qcustomplot.h>

using namespace Qt::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpState();
    void menuBarOrderAndPortItems();
    void centredAndFixed();
    void portItemsAndStartStopThroughTheMenu();
    void recordsReachGaugesAndChartAndCursorReads();
    void setupOnlyWhilePortClosed();
    void exitSendsNothing();
    void helpShowsTheText();
};

namespace
{

struct Rig {
    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    frmOrvelShow window{port, clock, prompts};
    MainWindowControls ui{window};
};

} // namespace

void TestMainWindow::startUpState()
{
    Rig rig;
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("Orvel On-Line"));
    QCOMPARE(rig.port.Settings(), QStringLiteral("9600,N,8,1"));
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.opens, 0);
    QCOMPARE(rig.ui.mnuCom.size(), 9);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(rig.ui.mnuCom[i]->text(), QStringLiteral("Com Port %1").arg(i + 1));
        QCOMPARE(rig.ui.mnuCom[i]->isChecked(), i == 0);
        QVERIFY(rig.ui.mnuCom[i]->isEnabled());
    }
    StripChartWidget *chart = rig.ui.Strip1;
    chart->setCurrentTrace(0);
    QCOMPARE(chart->Caption(), QStringLiteral("Elevation"));
    QCOMPARE(chart->TraceCaptionColor(), chart->BackColor());
    chart->setCurrentTrace(1);
    QCOMPARE(chart->Caption(), QStringLiteral("Azimuth"));
    QCOMPARE(chart->TraceCaptionColor(), chart->BackColor());
    QVERIFY(!rig.window.windowIcon().isNull());
}

void TestMainWindow::menuBarOrderAndPortItems()
{
    Rig rig;
    QStringList captions;
    for (QAction *action : rig.window.menuBar()->actions())
        captions.append(action->text());
    QCOMPARE(captions,
             (QStringList{u"Start"_s, u"Stop"_s, u"Port"_s, u"Setup"_s, u"Help"_s, u"Exit"_s}));
    for (QAction *action : rig.window.menuBar()->actions())
        QVERIFY(action->shortcut().isEmpty());
}

void TestMainWindow::centredAndFixed()
{
    Rig rig;
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    QCOMPARE(rig.window.centralWidget()->size(), QSize(577, 353));
    QCOMPARE(rig.window.minimumSize(), rig.window.maximumSize());
    QVERIFY(!(rig.window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(rig.window.windowFlags() & Qt::WindowMaximizeButtonHint));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = rig.window.frameGeometry();
    QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
    QCOMPARE(rig.ui.Elevation->geometry(), QRect(0, 0, 177, 176));
    QCOMPARE(rig.ui.Azimuth->geometry(), QRect(0, 176, 177, 177));
    QCOMPARE(rig.ui.Strip1->geometry(), QRect(176, 0, 401, 353));
}

void TestMainWindow::portItemsAndStartStopThroughTheMenu()
{
    Rig rig;
    rig.ui.mnuCom[3]->trigger();
    for (int i = 0; i < 9; ++i)
        QCOMPARE(rig.ui.mnuCom[i]->isChecked(), i == 3);
    rig.ui.mnuCom[3]->trigger(); // the checked item stays checked
    QVERIFY(rig.ui.mnuCom[3]->isChecked());
    rig.ui.mnuStart->trigger();
    QVERIFY(rig.port.PortOpen());
    QCOMPARE(rig.port.CommPort(), short(4));
    QCOMPARE(rig.port.written(), QByteArray("!START\r\n"));
    rig.ui.mnuStop->trigger();
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.written(), QByteArray("!START\r\n!STOP\r\n"));
}

void TestMainWindow::recordsReachGaugesAndChartAndCursorReads()
{
    Rig rig;
    const ScopedDefaultLocale locale(QLocale::c());
    rig.ui.mnuStart->trigger();
    rig.port.deliver("12.34,359.96\r\n");
    QCOMPARE(rig.ui.Elevation->NeedleValue(), 12.34);
    QCOMPARE(rig.ui.Azimuth->NeedleValue(), 359.96);
    // A record too large for a double moves neither its point nor its needle.
    rig.port.deliver("1e400,-1e400x\r\n");
    QCOMPARE(rig.ui.Elevation->NeedleValue(), 12.34);
    QCOMPARE(rig.ui.Azimuth->NeedleValue(), 359.96);

    // The user clicks the chart on the records' second: the readout shows its values.
    StripChartWidget *chart = rig.ui.Strip1;
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    chart->flush();
    auto *plot = chart->findChild<QCustomPlot *>();
    const QCPAxisRect *area = plot->axisRects().at(1);
    const double second = chart->store().newestX() + 0.5 / 86400.0;
    const QPoint at(qRound(area->axis(QCPAxis::atBottom)->coordToPixel(second)),
                    area->center().y());
    QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    chart->setCurrentTrace(0);
    QCOMPARE(chart->Caption(), QStringLiteral("Elevation at Cursor =12.3"));
    QCOMPARE(chart->TraceCaptionColor(), 0x000000FFu);
    chart->setCurrentTrace(1);
    QCOMPARE(chart->Caption(), QStringLiteral("Azimuth at Cursor =360.0"));
    QCOMPARE(chart->TraceCaptionColor(), 0x00FF0000u);
    // Screen readers get the read-out too.
    QVERIFY(chart->accessibleDescription().contains(QStringLiteral("Elevation at Cursor =12.3")));
    QCOMPARE(rig.ui.Elevation->accessibleName(), QStringLiteral("Mast Elevation"));
}

void TestMainWindow::setupOnlyWhilePortClosed()
{
    Rig rig;
    int runs = 0;
    rig.window.setSetupRunner([&](frmOrvelShow &) { ++runs; });
    rig.ui.mnuStart->trigger();
    rig.ui.mnuSetup->trigger();
    QCOMPARE(runs, 0);
    QVERIFY(rig.prompts.messages.isEmpty());
    rig.ui.mnuStop->trigger();
    rig.ui.mnuSetup->trigger();
    QCOMPARE(runs, 1);
}

void TestMainWindow::exitSendsNothing()
{
    Rig rig;
    rig.ui.mnuStart->trigger();
    const int writes = int(rig.port.writes.size());
    QTimer::singleShot(0, rig.ui.mnuExit, &QAction::trigger);
    QCOMPARE(QCoreApplication::exec(), 0); // Exit ended the event loop
    QCOMPARE(int(rig.port.writes.size()), writes);
}

void TestMainWindow::helpShowsTheText()
{
    Rig rig;
    rig.ui.mnuHelp->trigger();
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY(rig.prompts.messages.first().startsWith(
        QStringLiteral("Orvel On-line v" ORVEL_VERSION_TEXT "\n")));
    QVERIFY(!rig.port.PortOpen());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
