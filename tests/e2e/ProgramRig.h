#pragma once

#include "MessageBoxWatcher.h"
#include "SimulatorProcess.h"
#include "app/MessageBoxPrompts.h"
#include "app/frmOrvelShow.h"
#include "monitor/LiveMonitor.h"
#include "platform/display/StripChartWidget.h"
#include "platform/runtime/QtEventWait.h"
#include "platform/runtime/SystemClock.h"
#include "platform/serial/QtSerialControl.h"
#include "setup/frmSetup.h"

#include <QApplication>
#include <QtTest>
#include <sys/resource.h>

// The real program, wired as main() wires it, with the real serial control, clock, message boxes
// and waits; a watcher plays the user who dismisses message boxes.
struct ProgramRig {
    SystemClock clock;
    MessageBoxPrompts prompts;
    QtSerialControl port;
    QtEventWait wait;
    MessageBoxWatcher boxes;
    frmOrvelShow window{port, clock, prompts};

    ProgramRig()
    {
        QObject::connect(&port, &SerialControl::inputArrived, &wait, &QtEventWait::interrupt);
        window.setSetupRunner([this](frmOrvelShow &owner) {
            frmSetup::runModal(owner.monitor(), wait, clock, prompts, &owner);
        });
        window.show();
    }

    quint64 records() const { return window.Strip1->store().trace(0).appended(); }
};

// Processor time this process has used, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
