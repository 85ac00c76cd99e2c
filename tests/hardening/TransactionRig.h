#pragma once

#include "../e2e/ProgramRig.h"
#include "device/CommandTransaction.h"

// The program's transaction on a real port, without the windows: what the setup window runs.
struct TransactionRig {
    SystemClock clock;
    QtSerialControl port;
    QtEventWait wait;
    CommandTransaction transaction{port, wait, clock};

    TransactionRig()
    {
        QObject::connect(&port, &SerialControl::inputArrived, &wait, &QtEventWait::interrupt);
        port.setCommPort(1);
        port.setPortOpen(true);
    }
    ~TransactionRig() { port.setPortOpen(false); }
};
