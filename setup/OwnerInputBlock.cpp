#include "setup/OwnerInputBlock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

OwnerInputBlock::OwnerInputBlock(QWidget *owner) : owner_(owner)
{
    if (owner_)
        QCoreApplication::instance()->installEventFilter(this);
}

OwnerInputBlock::~OwnerInputBlock()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool OwnerInputBlock::eventFilter(QObject *watched, QEvent *event)
{
    if (!owner_ || !watched->isWidgetType())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::Close:
        break;
    default:
        return false;
    }
    if (static_cast<QWidget *>(watched)->window() != owner_->window())
        return false;
    event->ignore();
    return true;
}
