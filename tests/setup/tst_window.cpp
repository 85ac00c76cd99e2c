// The setup window's widgets: the layout facts that matter and the wiring to its logic.
#include "SetupRig.h"
#include "setup/PickList.h"
#include "setup/frmSetup.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
    const QStringList expected{"txtStatus",  "txtAngle", "txtNumber", "cboRange", "cboHandshake",
                               "cmdRefresh", "cmdAngle", "cmdNumber", "cmdClose"};
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
    QVERIFY(rig.child<QLabel>("StatusBar1")->text().startsWith("Output Range Changed at "));
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
    QVERIFY(rig.child<QLabel>("StatusBar1")->text().startsWith("Refreshed at "));
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
    QCOMPARE(prompts.messages, QStringList{"Device not responding"});
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
