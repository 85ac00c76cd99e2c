// The setup window's widgets: the layout facts that matter and the wiring to its logic.
#include "SetupRig.h"
#include "setup/PickList.h"
#include "setup/frmSetup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

using Field = SetupView::Field;

namespace
{

// A window attached to a session over the fake port and device.
struct WindowRig {
    WindowRig() { window.attach(session, &context); }

    template <typename W> W *child(const char *name) const
    {
        return window.findChild<W *>(QLatin1String(name));
    }

    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    FakePrompts prompts;
    FakeOpener opener{port};
    frmSetup window;
    SetupSession session{window, opener, wait, clock, prompts, QLocale::c()};
    QObject context;
};

class Owner final : public PortOpener
{
public:
    explicit Owner(FakeSerialControl &port) : opener(port), port_(port) {}
    QString OpenPort() override { return opener.OpenPort(); }
    SerialControl &MSComm1() override { return port_; }
    FakeOpener opener;

private:
    FakeSerialControl &port_;
};

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void focusOrderAndBuddies();
    void programWritesToListsRunNoChoice();
    void userPickRunsTheChoice();
    void typedTextIsNoPick_data();
    void typedTextIsNoPick();
    void pickSendsOnce_data();
    void pickSendsOnce();
    void refusedPickPutsThePreviousTextBack();
    void loadFillsTheWindowAndHidesSetButtons();
    void closingDuringAWaitEndsIt();
    void destroyingDuringAWaitIsSafe();
    void runModalReadsBeforeShowingAndDestroysAfter();
};

void WindowTest::layout()
{
    WindowRig rig;
    frmSetup &w = rig.window;
    QCOMPARE(w.objectName(), QStringLiteral("frmSetup"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Dravelin Setup"));
    // 4968 x 4848 twips at 15 twips to the pixel.
    QCOMPARE(w.minimumSize(), QSize(331, 323));
    QCOMPARE(w.maximumSize(), QSize(331, 323));

    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5", "StatusBar1"})
        QVERIFY2(rig.child<QLabel>(name), name);
    for (const char *name : {"txtAngle", "txtNumber"})
        QCOMPARE(rig.child<QLineEdit>(name)->text(), QStringLiteral("UNKNOWN"));
    QVERIFY(rig.child<QPlainTextEdit>("txtStatus")->isEnabled());
    QCOMPARE(rig.child<QLabel>("Label4")->text(), QStringLiteral("Serial port  Handshake method:"));

    for (const char *name : {"cmdAngle", "cmdNumber"}) {
        QPushButton *b = rig.child<QPushButton>(name);
        QVERIFY2(b->isHidden(), name);
        QCOMPARE(b->text(), QStringLiteral("Set"));
        QCOMPARE(b->palette().color(QPalette::Button), QColor(255, 255, 128));
    }
    QVERIFY(!rig.child<QPushButton>("cmdRefresh")->isHidden());

    const PickList *range = rig.child<PickList>("cboRange");
    const PickList *handshake = rig.child<PickList>("cboHandshake");
    QVERIFY(range->isEditable() && handshake->isEditable());
    QCOMPARE(range->currentText(), QStringLiteral("UNKNOWN"));
    QCOMPARE(handshake->currentText(), QStringLiteral("UNKNOWN"));
    QCOMPARE(range->count(), 2);
    QCOMPARE(range->itemText(0), QStringLiteral("FULL"));
    QCOMPARE(range->itemText(1), QStringLiteral("HALF"));
    QCOMPARE(handshake->itemText(0), QStringLiteral("NONE"));
    QCOMPARE(handshake->itemText(1), QStringLiteral("HARDWARE"));

    QCOMPARE(rig.child<QLineEdit>("txtAngle")->geometry(), QRect(208, 136, 65, 19));
    QCOMPARE(rig.child<QLabel>("StatusBar1")->geometry().bottom(), 322);
}

void WindowTest::focusOrderAndBuddies()
{
    WindowRig rig;
    const QStringList expected{u"txtStatus"_s, u"txtAngle"_s,     u"txtNumber"_s,
                               u"cboRange"_s,  u"cboHandshake"_s, u"cmdRefresh"_s,
                               u"cmdAngle"_s,  u"cmdNumber"_s,    u"cmdClose"_s};
    QStringList order;
    QWidget *w = rig.child<QWidget>("txtStatus");
    for (int i = 0; i < 40 && order.size() < expected.size(); ++i, w = w->nextInFocusChain()) {
        if (expected.contains(w->objectName()) && !order.contains(w->objectName()))
            order.append(w->objectName());
    }
    QCOMPARE(order, expected);

    const std::pair<const char *, const char *> buddies[] = {{"Label5", "txtStatus"},
                                                             {"Label1", "txtAngle"},
                                                             {"Label2", "txtNumber"},
                                                             {"Label3", "cboRange"},
                                                             {"Label4", "cboHandshake"}};
    for (const auto &[label, field] : buddies)
        QCOMPARE(rig.child<QLabel>(label)->buddy(), rig.child<QWidget>(field));
    QCOMPARE(rig.child<QLabel>("StatusBar1")->focusPolicy(), Qt::NoFocus);
}

void WindowTest::programWritesToListsRunNoChoice()
{
    WindowRig rig;
    rig.window.setFieldText(Field::Range, QStringLiteral("HALF"));
    rig.child<PickList>("cboHandshake")->setCurrentIndex(1);
    rig.window.setFieldText(Field::Handshake, QStringLiteral("NONE"));
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.opener.calls, 0);
    QCOMPARE(rig.window.fieldText(Field::Range), QStringLiteral("HALF"));
}

void WindowTest::userPickRunsTheChoice()
{
    WindowRig rig;
    rig.wait.rules = {{"!RANGE=FULL\r\n", "OK\r\n", 0.05}};
    QTest::keyClick(rig.child<PickList>("cboRange"), Qt::Key_Down);
    QCOMPARE(rig.port.written(), QByteArray("!RANGE=FULL\r\n"));
    QVERIFY(rig.child<QLabel>("StatusBar1")->text().startsWith(u"Output Range Changed at "_s));
}

namespace
{

QList<QByteArray> settingsWritten(const FakeSerialControl &port)
{
    QList<QByteArray> settings;
    for (const FakeSerialControl::Write &w : port.writes) {
        if (w.text.contains('='))
            settings.append(w.text);
    }
    return settings;
}

} // namespace

void WindowTest::typedTextIsNoPick_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ending");
    // A whole entry in other letters, one letter the list completes, an entry exactly.
    const std::pair<const char *, QStringList> lists[] = {
        {"cboRange", {u"half"_s, u"H"_s, u"FULL"_s}},
        {"cboHandshake", {u"hardware"_s, u"H"_s, u"NONE"_s}}};
    for (const auto &[list, texts] : lists) {
        for (const QString &typed : texts) {
            for (const char *ending : {"Tab", "Return", "Refresh"}) {
                QTest::addRow("%s %s %s", list, qPrintable(typed), ending)
                    << list << typed << ending;
            }
        }
    }
}

void WindowTest::typedTextIsNoPick()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QString, ending);
    WindowRig rig;
    respondToAll(rig.wait);
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    PickList *field = rig.child<PickList>(qPrintable(list));
    field->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(field->hasFocus());

    QTest::keyClicks(QApplication::focusWidget(), typed);
    if (ending == QLatin1String("Tab"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    else if (ending == QLatin1String("Return"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else
        QTest::mouseClick(rig.child<QPushButton>("cmdRefresh"), Qt::LeftButton);

    QCOMPARE(settingsWritten(rig.port), QList<QByteArray>{});
    QCOMPARE(rig.prompts.beeps, 0);
    if (ending == QLatin1String("Refresh")) {
        // The click was not swallowed by a setting: the read-back ran.
        QVERIFY(rig.port.written().contains("!STATUS?\r\n"));
        QVERIFY(rig.child<QLabel>("StatusBar1")->text().startsWith(u"Refreshed at "_s));
    } else {
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.opener.calls, 0);
    }
}

void WindowTest::pickSendsOnce_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("command");
    for (const char *how : {"mouse", "arrow keys"}) {
        QTest::addRow("cboRange %s", how) << "cboRange" << how << QByteArray("!RANGE=HALF\r\n");
        QTest::addRow("cboHandshake %s", how)
            << "cboHandshake" << how << QByteArray("!HANDSHAKE=HARDWARE\r\n");
    }
}

void WindowTest::pickSendsOnce()
{
    QFETCH(QString, list);
    QFETCH(QString, how);
    QFETCH(QByteArray, command);
    WindowRig rig;
    rig.wait.rules = {{command, "OK\r\n", 0.05}};
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    PickList *field = rig.child<PickList>(qPrintable(list));
    field->showText(field->itemText(0)); // as a read-back leaves it
    field->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(field->hasFocus());

    if (how == QLatin1String("mouse")) {
        field->showPopup();
        QAbstractItemView *view = field->view();
        QTRY_VERIFY(view->isVisible());
        const QPoint second = view->visualRect(view->model()->index(1, 0)).center();
        // The drop-down takes no release in its first moments (a double click's length); a
        // user's click comes later, so click until it is taken.
        QTRY_VERIFY([&] {
            if (view->isVisible())
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second);
            return !rig.port.writes.isEmpty();
        }());
    } else {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    }
    QCOMPARE(settingsWritten(rig.port), QList<QByteArray>{command});
    QCOMPARE(field->currentText(),
             QString::fromLatin1(command.mid(command.indexOf('=') + 1).trimmed()));
    // Leaving the list afterwards sends nothing more.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(settingsWritten(rig.port), QList<QByteArray>{command});
}

void WindowTest::refusedPickPutsThePreviousTextBack()
{
    // Refused while the read-back waited: its text came back before the read-back wrote NONE.
    WindowRig idle;
    idle.wait.onCycle = [&] {
        if (idle.wait.cycles == 3) {
            PickList *list = idle.child<PickList>("cboRange");
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentText(), QStringLiteral("UNKNOWN"));
        }
    };
    idle.session.ReadBack();
    QCOMPARE(idle.prompts.beeps, 1);
}

void WindowTest::loadFillsTheWindowAndHidesSetButtons()
{
    WindowRig rig;
    respondToAll(rig.wait);
    rig.session.Load();
    QCOMPARE(rig.child<QLineEdit>("txtAngle")->text(), QStringLiteral("45"));
    QCOMPARE(rig.child<PickList>("cboRange")->currentText(), QStringLiteral("HALF"));
    QVERIFY(rig.child<QPushButton>("cmdAngle")->isHidden());
    QVERIFY(rig.child<QPushButton>("cmdNumber")->isHidden());
    auto *status = rig.child<QPlainTextEdit>("txtStatus");
    QVERIFY(!status->isEnabled());
    // The CR LF line ends show as line breaks.
    QCOMPARE(status->toPlainText(), QStringLiteral("Dravelin V2\nSelf test "));
    QCOMPARE(status->blockCount(), 2);
    QVERIFY(rig.child<QLabel>("StatusBar1")->text().startsWith(u"Refreshed at "_s));
}

void WindowTest::closingDuringAWaitEndsIt()
{
    WindowRig rig;
    rig.window.show();
    rig.wait.onCycle = [&] {
        if (rig.wait.cycles == 5)
            rig.child<QPushButton>("cmdClose")->click();
    };
    const double start = rig.clock.elapsed;
    rig.session.ReadBack();
    QVERIFY(rig.session.closed());
    QVERIFY(rig.clock.elapsed - start < 0.1);
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(rig.port.writes.size(), 1);
    QVERIFY(rig.window.isHidden());
}

void WindowTest::destroyingDuringAWaitIsSafe()
{
    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    FakePrompts prompts;
    FakeOpener opener{port};
    QPointer<frmSetup> window = new frmSetup;
    SetupSession session{*window, opener, wait, clock, prompts, QLocale::c()};
    QObject context;
    window->attach(session, &context);
    respondToAll(wait);
    qsizetype writesAtDelete = -1;
    wait.onCycle = [&] {
        if (wait.cycles == 5) {
            delete window;
            writesAtDelete = port.writes.size();
        }
    };
    session.ReadBack();
    QVERIFY(!window);
    QVERIFY(session.closed());
    QVERIFY(!port.PortOpen());
    QCOMPARE(port.writes.size(), writesAtDelete);
}

void WindowTest::runModalReadsBeforeShowingAndDestroysAfter()
{
    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    FakePrompts prompts;
    Owner owner(port);
    QWidget mainWindow;
    mainWindow.show();
    port.setRThreshold(1);

    bool windowShownAtMessage = true;
    bool ownerClosedAtMessage = true;
    prompts.onMessage = [&](const QString &) {
        const frmSetup *w = mainWindow.findChild<frmSetup *>();
        windowShownAtMessage = !w || w->isVisible();
        ownerClosedAtMessage = mainWindow.close();
    };
    bool shownModal = false;
    QTimer::singleShot(0, &mainWindow, [&] {
        frmSetup *w = mainWindow.findChild<frmSetup *>();
        shownModal = w && w->isVisible() && w->isModal();
        if (w)
            w->close();
    });
    const int result = frmSetup::runModal(owner, wait, clock, prompts, &mainWindow);

    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(prompts.messages, QStringList{u"Device not responding"_s});
    QVERIFY(!windowShownAtMessage);
    QVERIFY(!ownerClosedAtMessage);
    QVERIFY(mainWindow.isVisible());
    QVERIFY(shownModal);
    QCOMPARE(port.RThreshold(), short(0));
    QVERIFY(!port.PortOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!mainWindow.findChild<frmSetup *>());
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
