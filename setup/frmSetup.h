#pragma once

#include "setup/SetupView.h"

#include <QDialog>

class Clock;
class EventWait;
class PortOpener;
class PickList;
class Prompts;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class SetupSession;

// The modal setup window: the device's status, its four parameters and their "Set" buttons.
// A thin layer of widgets; everything it does is SetupSession's.
class frmSetup final : public QDialog, public SetupView
{
    Q_OBJECT

public:
    // The Setup command: refused silently (Rejected) while the port is open; otherwise creates
    // the window, runs its Load (the read-back, whose message boxes come before the window),
    // shows it modally over `owner` and destroys it once it is closed. Returns exec()'s result.
    static int runModal(PortOpener &opener, EventWait &wait, const Clock &clock, Prompts &prompts,
                        QWidget *owner);

    explicit frmSetup(QWidget *parent = nullptr);

    // Sends the controls' events to the session, which must outlive the connections: they end
    // with the window or with the session, whichever goes first.
    void attach(SetupSession &session, QObject *sessionContext);

    // Centres the window on the primary screen by its outer size.
    void centreOnScreen();

    QString fieldText(Field field) const override;
    void setFieldText(Field field, const QString &text) override;
    void focusField(Field field) override;
    void setSetButtonVisible(Field field, bool visible) override;
    void setStatusLine(const QString &text) override;
    void setStatusText(const QString &text) override;
    void setStatusEnabled(bool enabled) override;

signals:
    // The window is being closed (its Close button or its frame).
    void closing();

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitFontToLabels();
    QWidget *fieldWidget(Field field) const;
    QPushButton *setButton(Field field) const;

    QLabel *Label5;
    QPlainTextEdit *txtStatus;
    QLabel *Label1;
    QLineEdit *txtAngle;
    QPushButton *cmdAngle;
    QLabel *Label2;
    QLineEdit *txtNumber;
    QPushButton *cmdNumber;
    QLabel *Label3;
    PickList *cboRange;
    QLabel *Label4;
    PickList *cboHandshake;
    QPushButton *cmdRefresh;
    QPushButton *cmdClose;
    QLabel *StatusBar1;
    bool centredWhenShown_ = false;
};
