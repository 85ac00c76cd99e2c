#pragma once

#include <QComboBox>
#include <QString>

// A list with an editable text field whose `chosen` signal reports only a user's pick of an
// entry (from the drop-down, with the arrow keys or the wheel on the closed list), with the text
// the list showed before that pick. Typed text is never a pick, even when it matches or was
// completed to an entry and the user presses Return or leaves the list. Writing the text from
// the program never raises `chosen`.
class PickList final : public QComboBox
{
    Q_OBJECT

public:
    explicit PickList(QWidget *parent = nullptr);
    void showPopup() override;
    // Shows the text as the program writes it: on the matching entry when there is one, so the
    // arrow keys move on from the value shown. Never raises `chosen`.
    void showText(const QString &text);

signals:
    void chosen(const QString &previousText);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    static bool endsTypedText(const QKeyEvent *event);

    QString textBeforePick_;
    // Set while the line edit finishes typed text: the list then matches the text to an entry
    // and reports it as activated, which is no pick.
    bool finishingTypedText_ = false;
};
