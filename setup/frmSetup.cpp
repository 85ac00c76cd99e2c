#include "setup/frmSetup.h"

#include "device/PortOpener.h"
#include "platform/runtime/Twips.h"
#include "platform/serial/SerialControl.h"
#include "setup/OwnerInputBlock.h"
#include "setup/PickList.h"
#include "setup/SetupSession.h"
#include "setup/SetupTexts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace
{

template <typename W>
W *place(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    // Each size is converted on its own, as the window was laid out.
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        twipsToPixels(height));
    return widget;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width,
              int height)
{
    auto *l = place<QLabel>(parent, name, left, top, width, height);
    l->setText(text);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, int left, int top,
                    int width, int height)
{
    auto *b = place<QPushButton>(parent, name, left, top, width, height);
    b->setText(text);
    // Return in a text box must not click a button.
    b->setAutoDefault(false);
    return b;
}

void makeSetButton(QPushButton *b)
{
    QPalette palette = b->palette();
    palette.setColor(QPalette::Button, QColor(255, 255, 128));
    b->setPalette(palette);
    b->setAutoFillBackground(true);
    b->hide();
}

} // namespace

frmSetup::frmSetup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Dravelin Setup"));
    setFixedSize(twipsToPixels(4968), twipsToPixels(4848));
    setModal(true);

    Label5 = label(this, "Label5", QStringLiteral("Dravelin Status:"), 120, 120, 3972, 252);
    txtStatus = place<QPlainTextEdit>(this, "txtStatus", 120, 480, 4692, 1332);
    Label1 = label(this, "Label1", QStringLiteral("Alarm Angle (set 90 to disable alarms):"), 120,
                   2040, 2892, 252);
    txtAngle = place<QLineEdit>(this, "txtAngle", 3120, 2040, 972, 288);
    cmdAngle = button(this, "cmdAngle", QStringLiteral("Set"), 4320, 2040, 492, 252);
    Label2 = label(this, "Label2", QStringLiteral("Alarm Phone Number:"), 120, 2520, 1692, 252);
    txtNumber = place<QLineEdit>(this, "txtNumber", 1920, 2520, 2172, 288);
    cmdNumber = button(this, "cmdNumber", QStringLiteral("Set"), 4320, 2520, 492, 252);
    Label3 = label(this, "Label3", QStringLiteral("Output Range (FULL 5V, HALF 2.5V):"), 120, 3000,
                   2652, 252);
    cboRange = place<PickList>(this, "cboRange", 2880, 3000, 1212, 288);
    Label4 = label(this, "Label4", QStringLiteral("Serial port  Handshake method:"), 120, 3480,
                   2412, 252);
    cboHandshake = place<PickList>(this, "cboHandshake", 2640, 3480, 1452, 288);
    cmdRefresh = button(this, "cmdRefresh", QStringLiteral("Refresh"), 2640, 4080, 972, 372);
    cmdClose = button(this, "cmdClose", QStringLiteral("Close"), 3840, 4080, 972, 372);
    StatusBar1 = place<QLabel>(this, "StatusBar1", 0, 4596, 4968, 252);
    StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    makeSetButton(cmdAngle);
    makeSetButton(cmdNumber);
    txtAngle->setText(SetupTexts::Unknown);
    txtNumber->setText(SetupTexts::Unknown);
    cboRange->addItems({QStringLiteral("FULL"), QStringLiteral("HALF")});
    cboHandshake->addItems({QStringLiteral("NONE"), QStringLiteral("HARDWARE")});
    for (PickList *list : {cboRange, cboHandshake}) {
        // Adding items selected the first one; the list shows that nothing is known yet.
        list->setCurrentIndex(-1);
        list->setEditText(SetupTexts::Unknown);
    }

    // Screen readers name each field by the label beside it.
    Label5->setBuddy(txtStatus);
    Label1->setBuddy(txtAngle);
    Label2->setBuddy(txtNumber);
    Label3->setBuddy(cboRange);
    Label4->setBuddy(cboHandshake);

    QWidget *const order[] = {txtStatus,  txtAngle, txtNumber, cboRange, cboHandshake,
                              cmdRefresh, cmdAngle, cmdNumber, cmdClose};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5, StatusBar1})
        l->setFocusPolicy(Qt::NoFocus);
    fitFontToLabels();

    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

void frmSetup::fitFontToLabels()
{
    // The fixed layout was drawn for a narrow 8-point font. Where the desktop's font is wider,
    // the window's text shrinks as a whole until the labels fit, down to a readable size; a
    // label that still does not fit shrinks on its own and keeps its whole text as a tooltip.
    constexpr double SmallestWindowPoints = 7.5;
    constexpr double SmallestLabelPoints = 6.0;
    const QList<QLabel *> labels = {Label1, Label2, Label3, Label4, Label5};
    QFont windowFont = font();
    double scale = 1.0;
    for (const QLabel *l : labels) {
        const int needed = QFontMetrics(windowFont).horizontalAdvance(l->text());
        if (needed > l->width())
            scale = std::min(scale, double(l->width()) / needed);
    }
    if (scale < 1.0 && windowFont.pointSizeF() > 0) {
        windowFont.setPointSizeF(
            std::max(SmallestWindowPoints, windowFont.pointSizeF() * scale * 0.98));
        setFont(windowFont);
    }
    for (QLabel *l : labels) {
        QFont f = l->font();
        while (QFontMetrics(f).horizontalAdvance(l->text()) > l->width() &&
               f.pointSizeF() > SmallestLabelPoints)
            f.setPointSizeF(f.pointSizeF() - 0.25);
        if (f != l->font()) {
            l->setFont(f);
            l->setToolTip(l->text());
        }
    }
}

void frmSetup::attach(SetupSession &session, QObject *sessionContext)
{
    SetupSession *s = &session;
    connect(cmdRefresh, &QPushButton::clicked, sessionContext, [s] { s->ReadBack(); });
    connect(cmdAngle, &QPushButton::clicked, sessionContext, [s] { s->cmdAngleClicked(); });
    connect(cmdNumber, &QPushButton::clicked, sessionContext, [s] { s->cmdNumberClicked(); });
    connect(cboRange, &PickList::chosen, sessionContext,
            [s](const QString &previous) { s->cboRangeChosen(previous); });
    connect(cboHandshake, &PickList::chosen, sessionContext,
            [s](const QString &previous) { s->cboHandshakeChosen(previous); });
    connect(txtAngle, &QLineEdit::textChanged, sessionContext, [s] { s->txtAngleChanged(); });
    connect(txtNumber, &QLineEdit::textChanged, sessionContext, [s] { s->txtNumberChanged(); });
    connect(this, &frmSetup::closing, sessionContext, [s] { s->windowClosing(); });
    // Destroyed while a wait runs (its owner went away): the session must not touch it again.
    connect(this, &QObject::destroyed, sessionContext, [s] { s->windowClosing(); });
}

void frmSetup::done(int result)
{
    emit closing();
    QDialog::done(result);
}

void frmSetup::keyPressEvent(QKeyEvent *event)
{
    // Only the Close button and the frame close this window; Escape does not.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSetup::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void frmSetup::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The frame's size is known only once the window is shown.
    if (!centredWhenShown_) {
        centredWhenShown_ = true;
        centreOnScreen();
    }
}

QWidget *frmSetup::fieldWidget(Field field) const
{
    switch (field) {
    case Field::Angle:
        return txtAngle;
    case Field::Number:
        return txtNumber;
    case Field::Range:
        return cboRange;
    case Field::Handshake:
        return cboHandshake;
    }
    return nullptr;
}

QPushButton *frmSetup::setButton(Field field) const
{
    return field == Field::Angle ? cmdAngle : field == Field::Number ? cmdNumber : nullptr;
}

QString frmSetup::fieldText(Field field) const
{
    QWidget *widget = fieldWidget(field);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    return static_cast<PickList *>(widget)->currentText();
}

void frmSetup::setFieldText(Field field, const QString &text)
{
    QWidget *widget = fieldWidget(field);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setText(text);
    else
        static_cast<PickList *>(widget)->showText(text);
}

void frmSetup::focusField(Field field)
{
    fieldWidget(field)->setFocus(Qt::OtherFocusReason);
}

void frmSetup::setSetButtonVisible(Field field, bool visible)
{
    if (QPushButton *b = setButton(field))
        b->setVisible(visible);
}

void frmSetup::setStatusLine(const QString &text)
{
    StatusBar1->setText(text);
}

void frmSetup::setStatusText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    txtStatus->setPlainText(shown);
}

void frmSetup::setStatusEnabled(bool enabled)
{
    txtStatus->setEnabled(enabled);
}

int frmSetup::runModal(PortOpener &opener, EventWait &wait, const Clock &clock, Prompts &prompts,
                       QWidget *owner)
{
    if (opener.MSComm1().PortOpen())
        return QDialog::Rejected;

    QPointer<frmSetup> window = new frmSetup(owner);
    SetupSession session(*window, opener, wait, clock, prompts);
    QObject sessionContext;
    window->attach(session, &sessionContext);
    {
        const OwnerInputBlock block(owner);
        session.Load();
    }
    int result = QDialog::Rejected;
    if (window && !session.closed()) {
        window->centreOnScreen();
        result = window->exec();
    }
    // Only now: the handlers that waited inside exec() have all returned.
    delete window;
    return result;
}
