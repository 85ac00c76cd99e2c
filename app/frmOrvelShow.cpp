#include "app/frmOrvelShow.h"

#include "app/AppInfo.h"
#include "app/HelpText.h"
#include "app/MenuPortList.h"
#include "app/WindowIcon.h"
#include "monitor/LiveMonitor.h"
#include "monitor/PortList.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Twips.h"
#include "platform/serial/SerialControl.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace
{

// Client area and controls, in twips.
constexpr int ClientWidth = 8652;
constexpr int ClientHeight = 5292;
const QString FrameOutline = QStringLiteral("0,100, 100,0, 900,0, 1000,100, 1000,900, 900,1000, "
                                            "100,1000, 0,900");
const QString AzimuthNeedle = QStringLiteral("0,1000,700,900,-700,900");

} // namespace

frmOrvelShow::frmOrvelShow(SerialControl &port, const Clock &clock, Prompts &prompts,
                           QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      port_(port), prompts_(prompts)
{
    setObjectName(QStringLiteral("frmOrvelShow"));
    buildControls(clock);
    buildMenus();
    portList_ = std::make_unique<MenuPortList>(mnuCom);
    monitor_ = std::make_unique<LiveMonitor>(
        LiveMonitor::Parts{port_, *Strip1, *Elevation, *Azimuth, *portList_, clock, prompts_});
    connect(Strip1, &StripChartWidget::CursorEvent, monitor_.get(),
            &LiveMonitor::Strip1CursorEvent);
    Form_Load();
}

frmOrvelShow::~frmOrvelShow() = default;

void frmOrvelShow::buildControls(const Clock &clock)
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight));
    setCentralWidget(client);

    Elevation = new GaugeWidget(client);
    Elevation->setObjectName(QStringLiteral("Elevation"));
    Elevation->setGeometry(twipsRect(0, 0, 2652, 2640));
    Elevation->setCaptionText(QStringLiteral("Mast Elevation"));
    Elevation->setScale(-90, 90);
    Elevation->setFrameOutline(FrameOutline);

    Azimuth = new GaugeWidget(client);
    Azimuth->setObjectName(QStringLiteral("Azimuth"));
    Azimuth->setGeometry(twipsRect(0, 2640, 2652, 2652));
    Azimuth->setCaptionText(QStringLiteral("Mast Azimuth"));
    Azimuth->setScale(0, 360);
    Azimuth->setFrameOutline(FrameOutline);
    Azimuth->setNeedleShape(AzimuthNeedle);

    Strip1 = new StripChartWidget(clock, client);
    Strip1->setObjectName(QStringLiteral("Strip1"));
    Strip1->setGeometry(twipsRect(2640, 0, 6012, 5292));
    Strip1->setTimeFormat(QStringLiteral("%H:%M:%S "));
    // The chart's left edge lies just inside the gauges' right edge.
    Strip1->raise();
}

void frmOrvelShow::buildMenus()
{
    QMenuBar *bar = menuBar();
#ifdef Q_OS_MACOS
    // Commands sit directly on the bar, which the native menu bar does not allow.
    bar->setNativeMenuBar(false);
#endif
    mnuStart = bar->addAction(QStringLiteral("Start"));
    mnuStart->setObjectName(QStringLiteral("mnuStart"));
    mnuStop = bar->addAction(QStringLiteral("Stop"));
    mnuStop->setObjectName(QStringLiteral("mnuStop"));
    mnuComm = bar->addMenu(QStringLiteral("Port"));
    mnuComm->setObjectName(QStringLiteral("mnuComm"));
    mnuComm->setToolTipsVisible(true);
    for (int i = 0; i < PortList::Count; ++i) {
        auto *item = mnuComm->addAction(QStringLiteral("Com Port ") + QString::number(i + 1));
        item->setObjectName(QStringLiteral("mnuCom%1").arg(i));
        item->setCheckable(true);
        mnuCom.append(item);
    }
    mnuSetup = bar->addAction(QStringLiteral("Setup"));
    mnuSetup->setObjectName(QStringLiteral("mnuSetup"));
    mnuHelp = bar->addAction(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuExit = bar->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));

    connect(mnuStart, &QAction::triggered, this, [this] {
        emit streamCommandChosen(StreamCommand::Start);
        monitor_->mnuStartClick();
        emit streamCommandDone(StreamCommand::Start);
    });
    connect(mnuStop, &QAction::triggered, this, [this] {
        emit streamCommandChosen(StreamCommand::Stop);
        monitor_->mnuStopClick();
        emit streamCommandDone(StreamCommand::Stop);
    });
    connect(mnuSetup, &QAction::triggered, this, &frmOrvelShow::mnuSetupClick);
    connect(mnuHelp, &QAction::triggered, this, &frmOrvelShow::mnuHelpClick);
    connect(mnuExit, &QAction::triggered, this, &frmOrvelShow::mnuExitClick);
    connect(mnuComm, &QMenu::aboutToShow, this, &frmOrvelShow::updatePortTips);
}

void frmOrvelShow::Form_Load()
{
    setWindowIcon(makeWindowIcon());
    setFixedSize(sizeHint());
    centre();
    setWindowTitle(AppInfo::title());
    port_.setSettings(QString::fromLatin1(LiveMonitor::LineSettings));

    for (int i = 0; i < mnuCom.size(); ++i) {
        // The check mark is set here, never by Qt: a click runs the port item handler, which
        // moves the one mark itself.
        connect(mnuCom[i], &QAction::triggered, this, [this, i] { monitor_->mnuComClick(i); });
    }
    mnuCom[0]->setChecked(true);

    Strip1->setCurrentTrace(0);
    Strip1->setCaption(QStringLiteral("Elevation"));
    Strip1->setTraceCaptionColor(Strip1->BackColor());
    Strip1->setCurrentTrace(1);
    Strip1->setCaption(QStringLiteral("Azimuth"));
    Strip1->setTraceCaptionColor(Strip1->BackColor());
}

void frmOrvelShow::centre()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The outer size counts the frame once the platform has given it one.
    const QSize outer = frameGeometry().size().expandedTo(size());
    const QSizeF screenTwips = QSizeF(screen->geometry().size()) * TwipsPerPixel;
    const QSizeF windowTwips = QSizeF(outer) * TwipsPerPixel;
    const QPointF topLeft = centredTopLeft(screenTwips, windowTwips) / TwipsPerPixel;
    move(screen->geometry().topLeft() + topLeft.toPoint());
}

void frmOrvelShow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!centredWithFrame_) {
        centredWithFrame_ = true;
        // The window manager adds the frame after the first show; centre again by the
        // outer size it gave.
        QTimer::singleShot(0, this, [this] {
            if (frameGeometry().size() != size())
                centre();
        });
    }
}

void frmOrvelShow::updatePortTips()
{
    for (int i = 0; i < mnuCom.size(); ++i) {
        const QString device = port_.deviceFor(short(i + 1));
        mnuCom[i]->setToolTip(device.isEmpty() ? QStringLiteral("No device is connected as "
                                                                "Com Port %1")
                                                     .arg(i + 1)
                                               : device);
    }
}

void frmOrvelShow::mnuSetupClick()
{
    if (port_.PortOpen())
        return;
    emit streamCommandChosen(StreamCommand::Setup);
    if (setupRunner_)
        setupRunner_(*this);
    emit streamCommandDone(StreamCommand::Setup);
}

void frmOrvelShow::mnuHelpClick()
{
    prompts_.message(helpText(AppInfo::Major, AppInfo::Minor, AppInfo::Revision));
}

void frmOrvelShow::mnuExitClick()
{
    // Ends at once: nothing is sent, not even while the stream runs.
    emit streamCommandChosen(StreamCommand::Exit);
    QCoreApplication::exit(0);
}
