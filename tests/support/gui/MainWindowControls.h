#pragma once

#include "FindChild.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/SystemClock.h"

#include <QAction>
#include <QMenu>

template <> inline StripChartWidget *makeStandIn<StripChartWidget>()
{
    static SystemClock clock;
    return new StripChartWidget(clock);
}

// The main window's gauges, chart and menu items, found by their object names as a user's
// tools would find them.
struct MainWindowControls {
    explicit MainWindowControls(QWidget &window)
        : Elevation(child<GaugeWidget>(&window, "Elevation")),
          Azimuth(child<GaugeWidget>(&window, "Azimuth")),
          Strip1(child<StripChartWidget>(&window, "Strip1")),
          mnuStart(child<QAction>(&window, "mnuStart")),
          mnuStop(child<QAction>(&window, "mnuStop")), mnuComm(child<QMenu>(&window, "mnuComm")),
          mnuCom(mnuComm->actions()), mnuSetup(child<QAction>(&window, "mnuSetup")),
          mnuHelp(child<QAction>(&window, "mnuHelp")), mnuExit(child<QAction>(&window, "mnuExit"))
    {
    }

    GaugeWidget *Elevation;
    GaugeWidget *Azimuth;
    StripChartWidget *Strip1;
    QAction *mnuStart;
    QAction *mnuStop;
    QMenu *mnuComm;
    QList<QAction *> mnuCom; // the Port menu's items, in order
    QAction *mnuSetup;
    QAction *mnuHelp;
    QAction *mnuExit;
};
