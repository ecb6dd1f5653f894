#include "settingsdialoghelpers.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/proxysettings.h"
#include "ui/proxysettingsdialog.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using talk::ProxySettings;

namespace {

const QString kPortMessage
    = QStringLiteral("The port number is invalid.\nEnter a number from 1 to 65535 in \"Port\".");
const QString kInvalidLead = QStringLiteral("The proxy settings you entered are not valid.\n");
const QString kHostHint = QStringLiteral("Enter the proxy's address in \"Hostname\".");
const QString kTypeHint = QStringLiteral("Choose HTTPS or SOCKS in \"Proxy Type\".");
const QString kUserHint = QStringLiteral("Enter your user name for the proxy in \"Username\".");
const QString kPasswordHint = QStringLiteral("Enter your password for the proxy in \"Password\".");

// What the form shows: "host|port|type|auth box|user|password|fields on".
QString formOf(const ProxySettingsDialog &dialog)
{
    auto edit = [&](const char *name) {
        return dialog.findChild<QLineEdit *>(QLatin1String(name));
    };
    const auto *auth = dialog.findChild<QCheckBox *>(QStringLiteral("authCheckBox"));
    return QStringList {edit("hostnameLineEdit")->text(),
                        edit("portLineEdit")->text(),
                        dialog.findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"))->currentText(),
                        auth->isChecked() ? QStringLiteral("auth") : QStringLiteral("-"),
                        edit("usernameLineEdit")->text(),
                        edit("passwordLineEdit")->text(),
                        edit("usernameLineEdit")->isEnabled() && edit("passwordLineEdit")->isEnabled()
                            ? QStringLiteral("on")
                            : QStringLiteral("off")}
        .join(QLatin1Char('|'));
}

} // namespace

class TestProxySettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void prefill_data();
    void prefill();
    void typedEntries_data();
    void typedEntries();
    void cancelLeavesTheHeldValue();
    void passwordIsNeverShown();
    void screenshot();

private:
    void typeInto(const char *name, const QString &text);

    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
    std::unique_ptr<ProxySettingsDialog> m_dialog;
};

void TestProxySettingsDialog::initTestCase()
{
    UiLook::install();
}

void TestProxySettingsDialog::init()
{
    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_dialog = std::make_unique<ProxySettingsDialog>();
}

void TestProxySettingsDialog::cleanup()
{
    m_dialog.reset();
    m_prompts.reset();
}

void TestProxySettingsDialog::typeInto(const char *name, const QString &text)
{
    SettingsTesting::retype(m_dialog->findChild<QLineEdit *>(QLatin1String(name)), text);
}

void TestProxySettingsDialog::prefill_data()
{
    QTest::addColumn<ProxySettings>("given");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<ProxySettings>("held");

    const ProxySettings none;
    // Invalid and authenticated values are in the base test (tst_uibase);
    // here what the password field must not show.
    // Credentials left over from an earlier choice stay out of the
    // switched-off fields.
    QTest::newRow("authentication off, credentials kept")
        << ProxySettings(ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, false, QStringLiteral("ann"),
                         QStringLiteral("old secret"))
        << "proxy.lan|3128|HTTPS|-|||off"
        << ProxySettings(ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, false, QStringLiteral("ann"),
                         QStringLiteral("old secret"));
    QTest::newRow("system default") << ProxySettings() << "|0||-|||off" << none;
    QTest::newRow("no proxy") << ProxySettings(ProxySettings::NoProxy, QStringLiteral("proxy.lan"), 3128,
                                               false, {}, {})
                              << "|0||-|||off" << none;
    // What the updater hands over: its credentials asked for, none known yet.
    QTest::newRow("the updater's request")
        << ProxySettings(ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, true, {}, {})
        << "|0||-|||off" << none;
}

void TestProxySettingsDialog::prefill()
{
    QFETCH(ProxySettings, given);
    QFETCH(QString, shown);
    QFETCH(ProxySettings, held);
    m_dialog->setProxySettings(given);
    QCOMPARE(formOf(*m_dialog), shown);
    QCOMPARE(m_dialog->proxySettings(), held);
}

void TestProxySettingsDialog::typedEntries_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("messages");
    // The field that has the focus after a refusal.
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("acceptedPort");

    // The base test (tst_uibase) sets the fields directly; here they are
    // typed by hand over credentials on record, replaced in the first rows,
    // switched off by unticking the box in the others.
    QTest::newRow("SOCKS with credentials") << "socks.lan"
                                            << "1080" << 1 << true << "ann"
                                            << "pw" << QStringList() << QString() << 1080;
    // Past the last port: the field lets it stand, the dialog does not.
    QTest::newRow("port past the range") << "proxy.lan"
                                         << "65536" << 0 << false << ""
                                         << "" << QStringList {kPortMessage} << "portLineEdit" << -1;
    QTest::newRow("the last port") << "proxy.lan"
                                   << "65535" << 0 << false << ""
                                   << "" << QStringList() << QString() << 65535;
    // Keys that are no digits do not reach the field.
    QTest::newRow("letters in the port") << "proxy.lan"
                                         << "8o8o" << 0 << false << ""
                                         << "" << QStringList() << QString() << 88;
    // Each refusal names the field to mend.
    QTest::newRow("neither host nor port")
        << ""
        << "0" << 0 << false << ""
        << "" << QStringList {kInvalidLead + kHostHint} << "hostnameLineEdit" << -1;
    // A port alone is no proxy to reach, of whatever type.
    QTest::newRow("a port without a host")
        << ""
        << "8080" << 0 << false << ""
        << "" << QStringList {kInvalidLead + kHostHint} << "hostnameLineEdit" << -1;
    QTest::newRow("a blank host") << "   "
                                  << "1080" << 1 << true << "ann"
                                  << "pw" << QStringList {kInvalidLead + kHostHint} << "hostnameLineEdit"
                                  << -1;
    // The host is named first, as it comes first in the form.
    QTest::newRow("neither host nor type")
        << ""
        << "3128" << -1 << false << ""
        << "" << QStringList {kInvalidLead + kHostHint} << "hostnameLineEdit" << -1;
    QTest::newRow("a host with port 0") << "proxy.lan"
                                        << "0" << 0 << false << ""
                                        << "" << QStringList() << QString() << 0;
    QTest::newRow("no type") << "proxy.lan"
                             << "3128" << -1 << false << ""
                             << "" << QStringList {kInvalidLead + kTypeHint} << "proxyTypeComboBox" << -1;
    QTest::newRow("no user name") << "proxy.lan"
                                  << "3128" << 0 << true << ""
                                  << "pw" << QStringList {kInvalidLead + kUserHint} << "usernameLineEdit"
                                  << -1;
    QTest::newRow("no password") << "proxy.lan"
                                 << "3128" << 1 << true << "ann"
                                 << "" << QStringList {kInvalidLead + kPasswordHint} << "passwordLineEdit"
                                 << -1;
}

void TestProxySettingsDialog::typedEntries()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(int, type);
    QFETCH(bool, auth);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(int, acceptedPort);

    // Credentials on record from before; the user then decides anew.
    m_dialog->setProxySettings(ProxySettings(ProxySettings::Http, QStringLiteral("old.lan"), 1, true,
                                             QStringLiteral("old"), QStringLiteral("old pw")));
    m_dialog->open();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    SettingsTesting::enterProxyAddress(m_dialog.get(), host, port, type);
    auto *box = m_dialog->findChild<QCheckBox *>(QStringLiteral("authCheckBox"));
    if (box->isChecked() != auth)
        SettingsTesting::clickCheckBox(box);
    if (auth) {
        typeInto("usernameLineEdit", user);
        typeInto("passwordLineEdit", password);
    }

    QTest::mouseClick(m_dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QCOMPARE(m_prompts->texts(), messages);
    for (const MessagePrompt::Request &request : std::as_const(m_prompts->requests)) {
        QCOMPARE(request.title, QStringLiteral("Proxy Settings Invalid"));
        QCOMPARE(request.parent, m_dialog.get());
    }
    const bool accepted = acceptedPort >= 0;
    QCOMPARE(m_dialog->isVisible(), !accepted);
    if (!accepted) {
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        return;
    }
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    // Unticking the box switches authentication off; what was typed before
    // stays in the value, unused.
    const ProxySettings expected(type + 1, host, acceptedPort, auth, auth ? user : "old",
                                 auth ? password : QStringLiteral("old pw"));
    QCOMPARE(m_dialog->proxySettings(), expected);
}

void TestProxySettingsDialog::cancelLeavesTheHeldValue()
{
    const ProxySettings given(ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, false, {}, {});
    m_dialog->setProxySettings(given);
    m_dialog->open();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    typeInto("hostnameLineEdit", QStringLiteral("other.lan"));
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QCOMPARE(m_dialog->proxySettings(), given);

    // The window's own close rejects the same way.
    m_dialog->open();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(m_prompts->requests.isEmpty());
}

void TestProxySettingsDialog::passwordIsNeverShown()
{
    m_dialog->setProxySettings(ProxySettings(ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, true,
                                             QStringLiteral("bob"), QStringLiteral("hunter2")));
    auto *password = m_dialog->findChild<QLineEdit *>(QStringLiteral("passwordLineEdit"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->displayText(),
             QString(7,
                     QChar(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                        password))));
    // The caller's message is text, not markup.
    m_dialog->setMessage(QStringLiteral("<b>Proxy</b> needed"));
    const auto *message = m_dialog->findChild<QLabel *>(QStringLiteral("messageLabel"));
    QCOMPARE(message->textFormat(), Qt::PlainText);
}

void TestProxySettingsDialog::screenshot()
{
    m_dialog->setProxySettings(ProxySettings(ProxySettings::Http, QStringLiteral("proxy.example.lan"), 3128,
                                             true, QStringLiteral("bob"), QStringLiteral("hunter2")));
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Proxy Settings"));
    QCOMPARE(m_dialog->size(), QSize(300, 300));
    QVERIFY(m_dialog->findChild<QLabel *>(QStringLiteral("messageLabel"))
                ->text()
                .startsWith(QLatin1String("Linkora had a problem using your System Proxy")));
    for (const char *name : {"usernameLabel", "passwordLabel"})
        QVERIFY2(m_dialog->findChild<QLabel *>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(m_dialog->grab().save(UiLook::screenshotPath(QStringLiteral("proxysettings.png"))));
}

LINKORA_TEST_MAIN(TestProxySettingsDialog)

#include "tst_proxysettingsdialog.moc"
