#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// While it lives, the owner window takes no user input and cannot be closed. The setup window
// reads the device before it is shown, and so before its modality protects that wait: the main
// window's Start, Stop, Exit or close would otherwise run inside it.
class OwnerInputBlock final : public QObject
{
    Q_OBJECT

public:
    explicit OwnerInputBlock(QWidget *owner);
    ~OwnerInputBlock() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> owner_;
};
