#include "setup/PickList.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QWheelEvent>

PickList::PickList(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    // Typed text is the user's own; it never becomes an item of the list.
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this] {
        if (!finishingTypedText_)
            emit chosen(textBeforePick_);
    });
}

void PickList::showText(const QString &text)
{
    const int entry = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry >= 0) {
        setCurrentIndex(entry);
    } else {
        setCurrentIndex(-1);
        setEditText(text);
    }
}

// Every way a user picks an entry passes through one of these first.
void PickList::showPopup()
{
    textBeforePick_ = currentText();
    QComboBox::showPopup();
}

bool PickList::endsTypedText(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

void PickList::keyPressEvent(QKeyEvent *event)
{
    if (endsTypedText(event)) {
        const QScopedValueRollback finishing(finishingTypedText_, true);
        QComboBox::keyPressEvent(event);
        return;
    }
    textBeforePick_ = currentText();
    QComboBox::keyPressEvent(event);
}

void PickList::wheelEvent(QWheelEvent *event)
{
    textBeforePick_ = currentText();
    QComboBox::wheelEvent(event);
}

void PickList::focusOutEvent(QFocusEvent *event)
{
    const QScopedValueRollback finishing(finishingTypedText_, true);
    QComboBox::focusOutEvent(event);
}
