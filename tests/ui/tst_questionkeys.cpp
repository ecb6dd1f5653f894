#include "keyboardhelpers.h"
#include "mainwindowrig.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "ui/dialpadpage.h"
#include "ui/incomingcalldialog.h"
#include "ui/menubutton.h"
#include "ui/settingsdialog.h"
#include "uitesthelpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using KeyboardTesting::Fingers;
using namespace UiTesting;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// Ends the program's loop from a step, once the case has seen what it waits for.
constexpr int kSeen = 42;

} // namespace

// The keys typed while the program asks something during a call: they answer
// the question or the dialog, and no hot key acts behind it.
class TestQuestionKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void questionTakesTheKeys_data();
    void questionTakesTheKeys();
    void modalDialogTakesTheKeys_data();
    void modalDialogTakesTheKeys();
    void incomingCallPopupKeepsTheHotKeys();

private:
    MainWindow *window() const { return m_client->window.get(); }
    ContentWidget *content() const { return m_client->content(); }
    Phone *phone() const { return m_client->rig.phone.get(); }
    bool asking(const QString &question) const
    {
        return content()->currentView() == ContentWidget::QueryUserView
            && m_client->child<QLabel>("queryUserQuestionLabel")->text() == question;
    }
    // Neither the speaker's nor the microphone's level was touched.
    bool volumeUntouched() const
    {
        return !m_client->child<MenuButton>("volTopMenuButton")->isSelected()
            && !m_client->child<MenuButton>("micTopMenuButton")->isSelected()
            && m_client->child<QWidget>("volumePanel")->isHidden();
    }
    bool callUp() const { return control()->live_calls() == 1 && !phone()->calls().isEmpty(); }
    // Dials on the dial pad and waits until the far end has answered.
    bool startCall();

    int m_run = 0;
    std::unique_ptr<ConnectivityProbe> m_network;
    std::unique_ptr<TrayPresence> m_tray;
    std::unique_ptr<MainWindowRig> m_client;
};

void TestQuestionKeys::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
}

void TestQuestionKeys::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_network = std::make_unique<ConnectivityProbe>(true);
    // Closing then asks to quit rather than hiding the window.
    m_tray = std::make_unique<TrayPresence>(false);
    m_client = std::make_unique<MainWindowRig>(QStringLiteral("questionkeys%1.px").arg(++m_run));
    window()->showLogIn();
    QVERIFY(QTest::qWaitForWindowActive(window()));

    m_client->typeSignIn();
    QTRY_COMPARE_WITH_TIMEOUT(content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(phone()->balance().credit() > 0, 5000);
    QTRY_VERIFY(!sliding(content()));
}

void TestQuestionKeys::cleanup()
{
    m_client.reset();
    m_tray.reset();
    m_network.reset();
}

bool TestQuestionKeys::startCall()
{
    // The running time stays at its start however long the wait for it.
    const TestClock clock;
    control()->set_call_outcome(PLIX_STANDIN_ANSWER);
    auto *number = m_client->child<DialPadPage>("dialPadPage")->findChild<QLineEdit *>("numberLineEdit");
    QTest::mouseClick(number, Qt::LeftButton);
    QTest::keyClicks(number, QStringLiteral("4930123456"));
    QTest::mouseClick(m_client->child<QPushButton>("callHungUpButton"), Qt::LeftButton);
    auto *state = m_client->child<QLabel>("callStateLabel");
    return QTest::qWaitFor([state] { return state->text() == QLatin1String("00:00:00"); }, 5000);
}

void TestQuestionKeys::questionTakesTheKeys_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("confirmed");

    QTest::newRow("menu's Close, Escape") << "menu"
                                          << "Quit?"
                                          << "Esc" << false;
    QTest::newRow("window's close, Escape") << "close"
                                            << "Quit?"
                                            << "Esc" << false;
    QTest::newRow("LOGOUT, Escape") << "logoutButton"
                                    << "Logout?"
                                    << "Esc" << false;
    QTest::newRow("menu's Close, Return") << "menu"
                                          << "Quit?"
                                          << "Return" << true;
    QTest::newRow("window's close, key-pad Enter") << "close"
                                                   << "Quit?"
                                                   << "Enter" << true;
    QTest::newRow("LOGOUT, Return") << "logoutButton"
                                    << "Logout?"
                                    << "Return" << true;
    // "Enter" is the key pad's: Qt::Key_Enter with Qt::KeypadModifier.
    QTest::newRow("menu's Close, key-pad Enter") << "menu"
                                                 << "Quit?"
                                                 << "Enter" << true;
    QTest::newRow("LOGOUT, key-pad Enter") << "logoutButton"
                                           << "Logout?"
                                           << "Enter" << true;
}

// Escape answers Cancel and Return Ok, as in a dialog; the hot keys, Escape
// the hang-up among them, wait until the question is gone.
void TestQuestionKeys::questionTakesTheKeys()
{
    QFETCH(QString, way);
    QFETCH(QString, question);
    QFETCH(QString, key);
    QFETCH(bool, confirmed);
    QVERIFY(startCall());
    QVERIFY(volumeUntouched());

    // Where the keys went when the question came.
    QPointer<QWidget> focused;
    ScriptedUser user;
    user.then(
        way, [] { return true; },
        [&] {
            if (way == QLatin1String("menu"))
                QVERIFY(m_client->chooseFromMenu("menuPhone", "actionClose"));
            else if (way == QLatin1String("close"))
                window()->close();
            else
                QTest::mouseClick(m_client->child<QPushButton>("logoutButton"), Qt::LeftButton);
            focused = QApplication::focusWidget();
        });
    bool typed = false;
    user.then(
        key, [&] { return asking(question) && QApplication::activeWindow() == window(); },
        [&] {
            Fingers fingers;
            typed = fingers.type(QStringLiteral("Ctrl+Right")) && fingers.type(QStringLiteral("Alt+Left"))
                && fingers.type(key);
        });
    const bool quits = confirmed && question == QLatin1String("Quit?");
    const ContentWidget::View after = confirmed ? ContentWidget::LoginView : ContentWidget::DialPadView;
    if (!quits) {
        user.then(
            QStringLiteral("answered"), [&] { return content()->currentView() == after; },
            [] { QCoreApplication::exit(kSeen); });
    }

    QCOMPARE(runProgramLoop(10000), quits ? 0 : kSeen);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QVERIFY(typed);
    QVERIFY(volumeUntouched());
    if (confirmed) {
        // Signed out, which ends the call.
        QTRY_COMPARE(control()->live_calls(), 0);
        QTRY_VERIFY(!phone()->isConnected());
        return;
    }
    QVERIFY(callUp());
    QVERIFY(window()->isLoggedIn());
    // The keys go where they went before the question.
    QVERIFY(focused);
    QCOMPARE(QApplication::focusWidget(), focused.data());
    QVERIFY(Fingers().type(QStringLiteral("Ctrl+Right")));
    QVERIFY(!volumeUntouched());
    QVERIFY(Fingers().type(QStringLiteral("Esc")));
    QTRY_VERIFY_WITH_TIMEOUT(phone()->calls().isEmpty(), 5000);
}

void TestQuestionKeys::modalDialogTakesTheKeys_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("dialogClass");
    QTest::newRow("settings dialog") << "menuPhone"
                                     << "actionSettings"
                                     << "SettingsDialog";
    QTest::newRow("about box") << "menuHelp"
                               << "actionAbout_Linkora"
                               << "QMessageBox";
}

void TestQuestionKeys::modalDialogTakesTheKeys()
{
    QFETCH(QString, menu);
    QFETCH(QString, action);
    QFETCH(QString, dialogClass);
    QVERIFY(startCall());

    const auto dialog = [&]() -> QWidget * {
        QWidget *modal = QApplication::activeModalWidget();
        return modal && modal->inherits(qPrintable(dialogClass)) && QApplication::activeWindow() == modal
            ? modal
            : nullptr;
    };
    ScriptedUser user;
    user.then(
        action, [] { return true; },
        [&] { QVERIFY(m_client->chooseFromMenu(qPrintable(menu), qPrintable(action))); });
    bool typed = false;
    user.then(
        QStringLiteral("keys"), [&] { return dialog() != nullptr; },
        [&] {
            Fingers fingers;
            typed = fingers.type(QStringLiteral("Ctrl+Right")) && fingers.type(QStringLiteral("Esc"));
        });
    user.then(
        QStringLiteral("closed"), [] { return !QApplication::activeModalWidget(); },
        [] { QCoreApplication::exit(kSeen); });

    QCOMPARE(runProgramLoop(10000), kSeen);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QVERIFY(typed);
    QVERIFY(volumeUntouched());
    QVERIFY(callUp());
    QTest::mouseClick(m_client->child<QPushButton>("callHungUpButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone()->calls().isEmpty(), 5000);
}

// The pop-up of a call coming in is no question: the hot keys act over it,
// also while the window behind it asks.
void TestQuestionKeys::incomingCallPopupKeepsTheHotKeys()
{
    ScriptedUser user;
    user.then(
        QStringLiteral("menu"), [] { return true; },
        [&] { QVERIFY(m_client->chooseFromMenu("menuPhone", "actionClose")); });
    IncomingCallDialog *popup = nullptr;
    user.then(
        QStringLiteral("a call comes in"),
        [&] { return asking(QStringLiteral("Quit?")) && QApplication::activeWindow() == window(); },
        [&] { QVERIFY(control()->raise_incoming_call("4940999888")); });
    user.then(
        QStringLiteral("pop-up"),
        [&] { return (popup = window()->findChild<IncomingCallDialog *>()) && popup->isVisible(); },
        [&] { popup->activateWindow(); });
    bool typed = false;
    bool volumeSet = false;
    user.then(
        QStringLiteral("keys"), [&] { return QApplication::activeWindow() == popup; },
        [&] {
            typed = Fingers().type(QStringLiteral("Ctrl+Right"));
            volumeSet = !volumeUntouched();
            QTest::mouseClick(popup->findChild<QPushButton *>(QStringLiteral("declineButton")),
                              Qt::LeftButton);
        });
    user.then(
        QStringLiteral("Cancel"),
        [&] { return asking(QStringLiteral("Quit?")) && phone()->calls().isEmpty(); },
        [&] { QTest::mouseClick(m_client->child<QPushButton>("queryUserCancelButton"), Qt::LeftButton); });
    user.then(
        QStringLiteral("answered"), [&] { return content()->currentView() == ContentWidget::DialPadView; },
        [] { QCoreApplication::exit(kSeen); });

    QCOMPARE(runProgramLoop(10000), kSeen);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QVERIFY(typed);
    QVERIFY(volumeSet);
}

LINKORA_TEST_MAIN(TestQuestionKeys)
#include "tst_questionkeys.moc"
