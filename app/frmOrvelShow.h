#pragma once

#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>

class Clock;
class GaugeWidget;
class LiveMonitor;
class MenuPortList;
class Prompts;
class QAction;
class QMenu;
class SerialControl;
class StripChartWidget;

// The main window: two gauges, the strip chart and the menu bar. Its behaviour lives in
// LiveMonitor; the window builds the controls, applies the start-up settings and forwards the
// menu and chart events.
class frmOrvelShow final : public QMainWindow
{
    Q_OBJECT

public:
    // Shows the setup window modally over `owner` and returns when it has closed.
    using SetupRunner = std::function<void(frmOrvelShow &owner)>;

    frmOrvelShow(SerialControl &port, const Clock &clock, Prompts &prompts,
                 QWidget *parent = nullptr);
    ~frmOrvelShow() override;

    void setSetupRunner(SetupRunner runner) { setupRunner_ = std::move(runner); }

    LiveMonitor &monitor() const { return *monitor_; }
    SerialControl &MSComm1() const { return port_; }
    // The strip chart, for what the program adds to it (its menu).
    StripChartWidget &chart() const { return *Strip1; }

    void mnuSetupClick();
    void mnuHelpClick();
    void mnuExitClick();

    // The menu commands that begin or end the live stream.
    enum class StreamCommand { Start, Stop, Setup, Exit };

signals:
    // Before the command runs (Setup: only when it will run) and after it has run.
    void streamCommandChosen(frmOrvelShow::StreamCommand command);
    void streamCommandDone(frmOrvelShow::StreamCommand command);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls(const Clock &clock);
    void buildMenus();
    void Form_Load();
    void centre();
    void updatePortTips();

    // Found by their object names from outside (tests): "Elevation", "Strip1", "mnuStart",
    // "mnuCom0" to "mnuCom8" and so on.
    GaugeWidget *Elevation = nullptr;
    GaugeWidget *Azimuth = nullptr;
    StripChartWidget *Strip1 = nullptr;
    QAction *mnuStart = nullptr;
    QAction *mnuStop = nullptr;
    QMenu *mnuComm = nullptr;
    QList<QAction *> mnuCom;
    QAction *mnuSetup = nullptr;
    QAction *mnuHelp = nullptr;
    QAction *mnuExit = nullptr;

    SerialControl &port_;
    Prompts &prompts_;
    std::unique_ptr<MenuPortList> portList_;
    std::unique_ptr<LiveMonitor> monitor_; // after portList_: it refers to it
    SetupRunner setupRunner_;
    bool centredWithFrame_ = false;
};
