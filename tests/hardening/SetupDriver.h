#pragma once

#include "../e2e/ProgramRig.h"
#include "device/CommandTransaction.h"

#include <QLineEdit>
#include <QPushButton>
#include <functional>

// Plays the user of the setup window in the hardening tests.

inline frmSetup *visibleSetupWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *setup = qobject_cast<frmSetup *>(widget); setup && setup->isVisible())
            return setup;
    }
    return nullptr;
}

template <typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT(found);
    return found;
}

inline void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Runs the Setup command; once the setup window is shown, `whileOpen` acts on it, then the window
// is closed with its Close button if it is still open. Returns when the command has returned.
inline void runSetup(ProgramRig &rig, const std::function<void(frmSetup *)> &whileOpen)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QPointer<frmSetup> window = visibleSetupWindow();
        if (!window)
            return;
        poll.stop();
        whileOpen(window);
        if (window && window->isVisible())
            child<QPushButton>(window, "cmdClose")->click();
    });
    poll.start();
    rig.window.mnuSetup->trigger();
}

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
