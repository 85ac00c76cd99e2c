#include "app/MessageBoxPrompts.h"

#include "app/AppInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

void MessageBoxPrompts::message(const QString &text, const QString &detail)
{
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::NoIcon, AppInfo::title(), text, QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("orvelMessage"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    if (!detail.isEmpty())
        box->setInformativeText(detail);
    box->exec();
    // The owner may have gone while the box was up; the box then went with it.
    delete box.data();
}

void MessageBoxPrompts::beep()
{
    QApplication::beep();
}
