#include "mainwindowrig.h"
#include "phone/phonerig.h"
#include "support/connectivityprobe.h"
#include "support/testenvironment.h"
#include "support/xserver.h"
#include "ui/contentwidget.h"
#include "uitesthelpers.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <memory>

using namespace UiTesting;

namespace {

// What the user saw of one drag.
struct Outcome
{
    bool opened = false;
    bool moved = false;
    QString typed; // the text of the field the user typed into
    QString focused; // the object name of the widget with the focus at the end
    QStringList changedElsewhere;
};

// Presses the left button at from (dialog coordinates), drags the pointer
// by the distance in a few steps, each once the window has followed, and
// lets go: through the window, as the window system delivers a hand's.
bool dragBy(QWidget *dialog, const QPoint &from, const QPoint &distance)
{
    QWindow *window = dialog->windowHandle();
    const QPoint start = dialog->mapToGlobal(from);
    const QRect before = dialog->geometry();
    QTest::mouseMove(window, from);
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    constexpr int steps = 4;
    QPoint pointer = start;
    for (int step = 1; step <= steps; ++step) {
        pointer = start + distance * step / steps;
        const QPoint offset = pointer - start;
        QTest::mouseMove(window, window->mapFromGlobal(pointer));
        // The window (or its corner) follows the pointer once the window
        // system has placed it.
        const bool followed = QTest::qWaitFor(
            [&] {
                const QRect now = dialog->geometry();
                return now.topLeft() == before.topLeft() + offset
                    || now.bottomRight() == before.bottomRight() + offset;
            },
            2000);
        if (!followed)
            return false;
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(pointer));
    return true;
}

void typeInto(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

} // namespace

// The frameless dialogs move and resize themselves when dragged by their
// title bar or their borders, on a desktop with a window manager.
class TestDialogDragFocus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dragKeepsTheFocusWhereTheUserPutIt_data();
    void dragKeepsTheFocusWhereTheUserPutIt();

private:
    int m_run = 0;
    std::unique_ptr<PromptRecorder> m_prompts;
    std::unique_ptr<ConnectivityProbe> m_network;
    std::unique_ptr<MainWindowRig> m_client;
};

void TestDialogDragFocus::initTestCase()
{
    QVERIFY(XServer::hasWindowManager());
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    applyApplicationLook();
}

void TestDialogDragFocus::init()
{
    ++m_run;
    TalkTesting::control()->reset();
    m_prompts = std::make_unique<PromptRecorder>();
    m_network = std::make_unique<ConnectivityProbe>(true);
    m_client = std::make_unique<MainWindowRig>(QStringLiteral("dragfocus%1.px").arg(m_run));
    m_client->window->showLogIn();
    // The window manager gives the focus to a window the user starts; no
    // user started this one, so it asks for it.
    m_client->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_client->window.get()));

    m_client->typeSignIn();
    QTRY_COMPARE_WITH_TIMEOUT(m_client->content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY(!sliding(m_client->content()));
}

void TestDialogDragFocus::cleanup()
{
    m_client.reset();
    m_network.reset();
    m_prompts.reset();
}

void TestDialogDragFocus::dragKeepsTheFocusWhereTheUserPutIt_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("firstClick"); // a button that leads to the field, or none
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("more");
    QTest::addColumn<QString>("gesture"); // title bar drag, corner drag, or minimized and restored

    QTest::newRow("contact, first name") << "actionAdd_Contact"
                                         << ""
                                         << "firstNameLineEdit"
                                         << "Ann"
                                         << "X"
                                         << "title";
    QTest::newRow("contact, e-mail") << "actionAdd_Contact"
                                     << ""
                                     << "emailLineEdit"
                                     << "ann@example.org"
                                     << "X"
                                     << "title";
    QTest::newRow("contact, phone") << "actionAdd_Contact"
                                    << ""
                                    << "phoneLineEdit"
                                    << "555"
                                    << "7"
                                    << "title";
    QTest::newRow("contact, resized") << "actionAdd_Contact"
                                      << ""
                                      << "firstNameLineEdit"
                                      << "Ann"
                                      << "X"
                                      << "corner";
    // Restored from the taskbar, as the window system shows it again.
    QTest::newRow("contact, e-mail, minimized") << "actionAdd_Contact"
                                                << ""
                                                << "emailLineEdit"
                                                << "ann@example.org"
                                                << "X"
                                                << "minimize";
    QTest::newRow("group") << "actionCreate_Group"
                           << ""
                           << "groupNameLineEdit"
                           << "Ann"
                           << "X"
                           << "title";
    QTest::newRow("import wizard") << "actionImport_contacts"
                                   << "importGmailButton"
                                   << "serviceLoginLineEdit"
                                   << "Ann"
                                   << "X"
                                   << "title";
}

void TestDialogDragFocus::dragKeepsTheFocusWhereTheUserPutIt()
{
    QFETCH(QString, entry);
    QFETCH(QString, firstClick);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, more);
    QFETCH(QString, gesture);

    Outcome outcome;
    whenModal(
        [&](QWidget *dialog) {
            if (!QTest::qWaitForWindowActive(dialog))
                return dialog->close(), void();
            QWindow *window = dialog->windowHandle();
            if (!firstClick.isEmpty())
                leftClick(dialog->findChild<QWidget *>(firstClick));
            auto *edit = dialog->findChild<QLineEdit *>(field);
            if (!edit || !QTest::qWaitFor([edit] { return edit->isVisible(); }))
                return dialog->close(), void();
            outcome.opened = true;
            // Every other field of the form, to see that none took a key.
            QList<QLineEdit *> others = dialog->findChildren<QLineEdit *>();
            others.removeAll(edit);

            leftClick(edit);
            typeInto(window, typed);
            if (gesture == QLatin1String("minimize")) {
                leftClick(dialog->findChild<QWidget *>(QStringLiteral("minimizeButton")));
                outcome.moved = QTest::qWaitFor([dialog] { return dialog->isMinimized(); }, 2000);
                // Back from the taskbar: Qt shows a window that leaves the
                // minimized state as the window system shows it again.
                dialog->showNormal();
                dialog->activateWindow();
                outcome.moved = outcome.moved && QTest::qWaitForWindowActive(dialog)
                    && QTest::qWaitFor([dialog] { return !dialog->isMinimized(); }, 2000);
            } else {
                const QPoint grip = gesture == QLatin1String("corner")
                    ? QPoint(dialog->width() - 3, dialog->height() - 3)
                    : QPoint(40, 16);
                outcome.moved = dragBy(dialog, grip, QPoint(60, 40));
            }
            typeInto(window, more);

            outcome.typed = edit->text();
            // A busy window manager may hand the activation back a moment
            // after the drag; the window's own focus is what counts.
            QTest::qWaitForWindowActive(dialog);
            outcome.focused
                = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            for (const QLineEdit *other : others) {
                if (!other->text().isEmpty())
                    outcome.changedElsewhere << other->objectName() + QLatin1Char('=') + other->text();
            }
            leftClick(dialog->findChild<QWidget *>(QStringLiteral("closeButton")));
        },
        m_client->window.get());
    QVERIFY(m_client->chooseFromMenu("menuContacts", qPrintable(entry)));
    QTRY_VERIFY(!QApplication::activeModalWidget());

    QVERIFY(outcome.opened);
    QVERIFY2(outcome.moved, "the dialog did not follow the pointer or come back");
    QCOMPARE(outcome.typed, typed + more);
    QCOMPARE(outcome.focused, field);
    QCOMPARE(outcome.changedElsewhere, QStringList());
}

LINKORA_XSERVER_TEST_MAIN(TestDialogDragFocus, XServer::WithWindowManager)
#include "tst_dialogdragfocus.moc"
