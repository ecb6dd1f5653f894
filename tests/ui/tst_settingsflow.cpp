#include "history/history.h"
#include "keyboardhelpers.h"
#include "mainwindowrig.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "settings/webserviceurls.h"
#include "settings/xdgautostartentry.h"
#include "settingsdialoghelpers.h"
#include "support/proxystandin.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "ui/contentwidget.h"
#include "ui/dialpadpage.h"
#include "ui/mainwindow.h"
#include "ui/proxysettingsdialog.h"
#include "ui/settingsdialog.h"
#include "ui/shortcutbutton.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using KeyboardTesting::Fingers;
using namespace SettingsTesting;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// On a desktop without a tray; the settings know the talk session, for the
// proxy it uses, as in the application.
struct Client : MainWindowRig
{
    explicit Client(const QString &databaseFile)
        : MainWindowRig(databaseFile)
    {
        settings->setTalk(rig.talk.get());
    }
};

template<typename T>
T *childOf(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

void clickChild(QWidget *parent, const char *name)
{
    QTest::mouseClick(childOf<QPushButton>(parent, name), Qt::LeftButton);
}

// Clicks the hot-key button and types the combination.
void captureKeys(SettingsDialog *dialog, const char *button, const QString &combination)
{
    auto *shortcut = childOf<ShortcutButton>(dialog, button);
    QTest::mouseClick(shortcut->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    Fingers().type(combination);
}

} // namespace

class TestSettingsFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hotKeyAndSpeakersChangedFromTheMenu();
    void hangUpKeyTheNumberFieldKnowsEndsTheCall_data();
    void hangUpKeyTheNumberFieldKnowsEndsTheCall();
    void customProxyCarriesTheNextRequest();
    void onlySaveTouchesTheAutostartEntry_data();
    void onlySaveTouchesTheAutostartEntry();

private:
    bool logIn();

    int m_run = 0;
    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
    std::unique_ptr<UiTesting::ConnectivityProbe> m_network;
    std::unique_ptr<Client> m_client;
};

void TestSettingsFlow::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
}

void TestSettingsFlow::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_network = std::make_unique<UiTesting::ConnectivityProbe>(true);
    m_client = std::make_unique<Client>(QStringLiteral("flow%1.px").arg(++m_run));
    m_client->window->showLogIn();
    QVERIFY(QTest::qWaitForWindowActive(m_client->window.get()));
}

void TestSettingsFlow::cleanup()
{
    m_client.reset();
    m_network.reset();
    m_prompts.reset();
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

bool TestSettingsFlow::logIn()
{
    Client &client = *m_client;
    client.typeSignIn();
    return QTest::qWaitFor(
        [&] { return client.window->contentWidget()->currentView() == ContentWidget::DialPadView; }, 5000);
}

void TestSettingsFlow::hotKeyAndSpeakersChangedFromTheMenu()
{
    Client &client = *m_client;
    QVERIFY(logIn());
    QTRY_VERIFY(client.rig.phone->balance().credit() > 0);
    control()->set_call_outcome(PLIX_STANDIN_RING);

    bool trayChoiceOffered = true;
    bool ran = false;
    whenModal<SettingsDialog>([&](SettingsDialog *dialog) {
        ran = true;
        trayChoiceOffered = childOf<QCheckBox>(dialog, "minimizeToTrayOnCloseCheckBox")->isEnabled();
        clickChild(dialog, "hotKeysButton");
        captureKeys(dialog, "callHotKeyShortcutButton", QStringLiteral("Ctrl+P"));
        // Refused: the groups key has it. The speaker key must keep working.
        captureKeys(dialog, "increaseSpeakerVolHotKeyShortcutButton", QStringLiteral("Ctrl+H"));
        clickChild(dialog, "audioSettingsButton");
        chooseWithKeys(childOf<QComboBox>(dialog, "speakersComboBox"), 1);
        clickChild(dialog, "saveButton");
    });
    QVERIFY(m_client->chooseFromMenu("menuPhone", "actionSettings"));
    QVERIFY(ran);
    QVERIFY(!trayChoiceOffered);
    QCOMPARE(m_prompts->texts(), QStringList {QStringLiteral("Selected key is not available!")});

    // What Save wrote.
    QCOMPARE(client.settings->placeCallHotkey(), QStringLiteral("Ctrl+P"));
    QCOMPARE(client.settings->increaseSpeakerVolHotkey(), QStringLiteral("Ctrl+Right"));
    QCOMPARE(client.settings->audioOutputDevice().id(), QStringLiteral("spk-usb-1"));
    QCOMPARE(QString::fromUtf8(control()->current_device(plix::MEDIA_DEVICE_OUTPUT)),
             QStringLiteral("spk-usb-1"));

    // The new key places the call from the dial pad. The offscreen desktop
    // hands the focus back to the window as a window manager would.
    client.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
    auto *dialPad = client.child<DialPadPage>("dialPadPage");
    dialPad->setNumber(QStringLiteral("4912345"));
    QSignalSpy connecting(client.rig.phone.get(), &Phone::connecting);
    QVERIFY(Fingers().type(QStringLiteral("Ctrl+P")));
    QVERIFY(connecting.wait(2000));
    QCOMPARE(QString::fromUtf8(control()->last_callee()).section(QLatin1Char('@'), 0, 0),
             QStringLiteral("+4912345"));

    // The speaker key refused a change, and still raises the volume.
    QSignalSpy speakerLevel(dialPad, &DialPadPage::speakerVolumeChanged);
    QVERIFY(Fingers().type(QStringLiteral("Ctrl+Right")));
    QVERIFY(!speakerLevel.isEmpty());
    // One step up from the level a new user starts with.
    QVERIFY(speakerLevel.last().first().toInt() > 25);
}

void TestSettingsFlow::hangUpKeyTheNumberFieldKnowsEndsTheCall_data()
{
    QTest::addColumn<QString>("keys");
    // End of line where the desktop uses the X11 key bindings.
    QTest::newRow("Ctrl+E") << "Ctrl+E";
    // Select all, everywhere.
    QTest::newRow("Ctrl+A") << "Ctrl+A";
}

void TestSettingsFlow::hangUpKeyTheNumberFieldKnowsEndsTheCall()
{
    QFETCH(QString, keys);
    // The call's running time stays at its start however slowly the test runs.
    TestClock clock;
    Client &client = *m_client;
    QVERIFY(logIn());
    QTRY_VERIFY(client.rig.phone->balance().credit() > 0);

    bool ran = false;
    whenModal<SettingsDialog>([&](SettingsDialog *dialog) {
        ran = true;
        clickChild(dialog, "hotKeysButton");
        // Alone, the letter is refused, with what it lacks.
        captureKeys(dialog, "cancelHotKeyShortcutButton", keys.section(QLatin1Char('+'), 1));
        captureKeys(dialog, "cancelHotKeyShortcutButton", keys);
        clickChild(dialog, "saveButton");
    });
    QVERIFY(m_client->chooseFromMenu("menuPhone", "actionSettings"));
    QVERIFY(ran);
    QCOMPARE(client.settings->cancelCallHotkey(), keys);
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY2(m_prompts->texts().first().contains(QLatin1String("hold Shift, Ctrl or Alt")),
             qPrintable(m_prompts->texts().first()));

    // A call from the field, and the new key typed into it.
    client.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
    auto *dialPad = client.child<DialPadPage>("dialPadPage");
    auto *field = dialPad->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClicks(field, QStringLiteral("4912345"));
    QVERIFY(Fingers().type(QStringLiteral("Return")));
    auto *state = dialPad->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(Fingers().type(keys));
    QTRY_VERIFY_WITH_TIMEOUT(client.rig.phone->calls().isEmpty(), 5000);
}

void TestSettingsFlow::customProxyCarriesTheNextRequest()
{
    Client &client = *m_client;
    ProxyStandIn proxy;
    proxy.forwardTo(client.rig.server.port());
    QVERIFY(proxy.listen());
    QVERIFY(logIn());

    bool ran = false;
    whenModal<SettingsDialog>([&](SettingsDialog *dialog) {
        ran = true;
        whenModal<ProxySettingsDialog>([&](ProxySettingsDialog *proxyDialog) {
            enterProxyAddress(proxyDialog, QStringLiteral("127.0.0.1"), QString::number(proxy.port()), 0);
            clickChild(proxyDialog, "okButton");
        });
        clickCheckBox(childOf<QCheckBox>(dialog, "customInternetProxyCheckBox"));
        clickChild(dialog, "saveButton");
    });
    QVERIFY(m_client->chooseFromMenu("menuPhone", "actionSettings"));
    QVERIFY(ran);
    QVERIFY(m_prompts->requests.isEmpty());
    QVERIFY(client.settings->customProxy(false));
    QCOMPARE(control()->proxy_mode(), int(talk::ProxySettings::Http));
    QCOMPARE(QString::fromUtf8(control()->proxy_host()), QStringLiteral("127.0.0.1"));
    QVERIFY(proxy.requestLines().isEmpty());

    // The next request to the service goes through the proxy.
    QUrl remote = client.rig.server.baseUrl();
    remote.setHost(QStringLiteral("webservice.invalid"));
    const WebserviceUrls remoteUrls(remote);
    client.rig.rest.setUrls(&remoteUrls);
    client.rig.server.setBalance(PhoneRig::kUser, 42.0, QStringLiteral("USD"), QStringLiteral("$"));
    client.rig.phone->requestBalanceUpdate(false);
    const bool arrived = QTest::qWaitFor([&] { return client.rig.phone->balance().credit() == 42.0; }, 5000);
    client.rig.rest.setUrls(client.rig.urls.get());
    QVERIFY(arrived);
    QVERIFY(!proxy.requestLines().isEmpty());
    QVERIFY2(proxy.requestLines().first().startsWith("GET http://webservice.invalid:"),
             proxy.requestLines().first().constData());

    // Unticked again: the connection goes back to the system's proxy.
    whenModal<SettingsDialog>([&](SettingsDialog *dialog) {
        clickCheckBox(childOf<QCheckBox>(dialog, "customInternetProxyCheckBox"));
        clickChild(dialog, "closeButton");
    });
    QVERIFY(m_client->chooseFromMenu("menuPhone", "actionSettings"));
    QVERIFY(!client.settings->customProxy(true));
    QCOMPARE(control()->proxy_mode(), int(talk::ProxySettings::SystemDefault));
}

void TestSettingsFlow::onlySaveTouchesTheAutostartEntry_data()
{
    QTest::addColumn<bool>("storedOn");
    QTest::addColumn<QString>("closedBy");
    // What is in the tests' own autostart folder afterwards: "none", the
    // entry "kept" as it was, or the program's entry "written".
    QTest::addColumn<QString>("entry");
    QTest::newRow("on, closed with x") << true << "closeButton"
                                       << "none";
    QTest::newRow("on, Escape") << true << "Escape"
                                << "none";
    QTest::newRow("off, closed with x") << false << "closeButton"
                                        << "kept";
    QTest::newRow("on, saved") << true << "saveButton"
                               << "written";
    QTest::newRow("off, saved") << false << "saveButton"
                                << "none";
}

void TestSettingsFlow::onlySaveTouchesTheAutostartEntry()
{
    QFETCH(bool, storedOn);
    QFETCH(QString, closedBy);
    QFETCH(QString, entry);
    Client &client = *m_client;
    QVERIFY(logIn());
    const QString path = XdgAutostartEntry::filePath(QCoreApplication::applicationName());
    client.settings->setAutostart(storedOn);
    QFile::remove(path);
    // One the user made by hand while the option was off.
    const QByteArray own("[Desktop Entry]\nExec=own\n");
    auto contents = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
    };
    if (!storedOn) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(own) == own.size());
    }
    const QByteArray before = contents();

    QByteArray whileOpen;
    bool shownOn = !storedOn;
    whenModal<SettingsDialog>([&](SettingsDialog *dialog) {
        whileOpen = contents();
        shownOn = childOf<QCheckBox>(dialog, "autoStartCheckBox")->isChecked();
        if (closedBy == QLatin1String("Escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            clickChild(dialog, qPrintable(closedBy));
    });
    QVERIFY(m_client->chooseFromMenu("menuPhone", "actionSettings"));
    QCOMPARE(whileOpen, before);
    QCOMPARE(shownOn, storedOn);
    const QByteArray after = contents();
    if (entry == QLatin1String("kept"))
        QCOMPARE(after, own);
    else if (entry == QLatin1String("none"))
        QCOMPARE(after, QByteArray("none"));
    else
        QVERIFY2(after.contains("Exec="), after.constData());
    QCOMPARE(client.settings->autostart(!storedOn), storedOn);
}

LINKORA_TEST_MAIN(TestSettingsFlow)

#include "tst_settingsflow.moc"
