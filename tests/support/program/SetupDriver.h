#pragma once

#include "FindChild.h"
#include "ProgramRig.h"
#include "setup/PickList.h"
#include "setup/frmSetup.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

// Plays the user of the setup window in tests of the real program.

inline frmSetup *visibleSetupWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *setup = qobject_cast<frmSetup *>(widget); setup && setup->isVisible())
            return setup;
    }
    return nullptr;
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
    rig.ui.mnuSetup->trigger();
}

inline QString statusLine(QWidget *window)
{
    return child<QLabel>(window, "StatusBar1")->text();
}

// A user's pick of an entry in one of the lists, with the arrow keys.
inline void pick(PickList *list, const QString &entry)
{
    const int row = list->findText(entry);
    QVERIFY(row >= 0);
    if (row > 0) {
        list->setCurrentIndex(row - 1);
        QTest::keyClick(list, Qt::Key_Down);
    } else {
        list->setCurrentIndex(row + 1);
        QTest::keyClick(list, Qt::Key_Up);
    }
}
