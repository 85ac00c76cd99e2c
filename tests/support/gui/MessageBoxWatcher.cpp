#include "MessageBoxWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>

MessageBoxWatcher::MessageBoxWatcher(QObject *parent) : QObject(parent)
{
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxWatcher::poll);
    timer_.start();
}

QStringList MessageBoxWatcher::texts() const
{
    QStringList out;
    for (const Seen &s : seen)
        out.append(s.text);
    return out;
}

void MessageBoxWatcher::poll()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible() || box->property("orvelSeen").toBool())
            continue;
        box->setProperty("orvelSeen", true);
        seen.append({box->windowTitle(), box->text(), box->informativeText(),
                     int(box->buttons().size()), box->icon() != QMessageBox::NoIcon});
        QPointer<QMessageBox> guard(box);
        QTimer::singleShot(delayMs, this, [guard] {
            if (!guard || !guard->isVisible())
                return;
            if (QAbstractButton *ok = guard->button(QMessageBox::Ok))
                ok->click();
            else
                guard->reject();
        });
    }
}
