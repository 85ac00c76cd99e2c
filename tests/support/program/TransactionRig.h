#pragma once

#include "app/Program.h"
#include "device/CommandTransaction.h"

#include <QTemporaryDir>

// The program's transaction on its own port, without showing the windows: what the setup window
// runs.
struct TransactionRig {
    QTemporaryDir recordings;
    Program program{Recorder::Options{recordings.path()}};
    SerialControl &port = program.port();
    CommandTransaction transaction{port, program.wait(), program.clock()};

    TransactionRig()
    {
        port.setCommPort(1);
        port.setPortOpen(true);
    }
    ~TransactionRig() { port.setPortOpen(false); }
};
