#pragma once

#include <QComboBox>
#include <QString>

// A list with an editable text field whose `chosen` signal reports only a user's pick (popup,
// arrow keys, wheel, Return), with the text the list showed before it. Writing the text from the
// program never raises it.
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

private:
    QString textBeforePick_;
};
