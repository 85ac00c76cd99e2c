#pragma once

#include "MainWindowControls.h"
#include "MessageBoxWatcher.h"
#include "ProcessTime.h"
#include "SimulatorProcess.h"
#include "app/Program.h"
#include "monitor/LiveMonitor.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// The real program, the same object main() runs, shown, recording into a temporary folder; a
// watcher plays the user who dismisses message boxes.
struct ProgramRig {
    QTemporaryDir recordings;
    Program program{Recorder::Options{recordings.path()}};
    frmOrvelShow &window = program.window();
    SerialControl &port = program.port();
    MessageBoxWatcher boxes;
    MainWindowControls ui{window};

    ProgramRig() { window.show(); }

    quint64 records() const { return ui.Strip1->store().trace(0).appended(); }
};
