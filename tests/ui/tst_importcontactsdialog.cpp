#include "importcontacts/googleimporter.h"
#include "importcontacts/yahooimporter.h"
#include "phone/phonerig.h"
#include "rest/resttesthelpers.h"
#include "support/addressbookrig.h"
#include "support/googlestandin.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/yahoostandin.h"
#include "ui/importcontactsdialog.h"
#include "ui/uitesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkProxyFactory>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStyleOptionViewItem>
#include <QTcpServer>
#include <QtTest>

#include <memory>

namespace {

const QString kMail = QStringLiteral("jo.user");
// Every character a form body must encode.
const QString kMailPassword = QStringLiteral("p&=+ é%");

enum Scenario {
    WrongPassword,
    Captcha,
    ConsentRefused,
    MalformedFeed,
    RedirectLoop,
    SlowProvider,
    ForeignFormHost,
    PlainHttpFeed,
    HugePage,
    PathInUserId,
    EmptyBook,
    ConnectionRefused,
    ConnectionDropped,
    GarbageAnswer,
    ServerError,
    SignInRefused
};

// A port of the loopback interface that nothing listens on.
quint16 closedPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QString networkError(const QString &cause)
{
    return QStringLiteral("An error occurred while importing contacts: ") + cause;
}

// A contact of the Yahoo list with these fields.
QJsonObject yahooContact(const QJsonObject &fields)
{
    QList<QPair<QString, QJsonValue>> list;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        list.append({it.key(), it.value()});
    return YahooStandIn::contact(list);
}

} // namespace

class TestImportContactsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void importsThroughEveryPage_data();
    void importsThroughEveryPage();
    void everyChainEndsOnce_data();
    void everyChainEndsOnce();
    void importChecksAndProviderSwitch();
    void buttonsAndCheckBoxesKeepTheirLook();
    void conclusionWaitsForTheAddressBook();
    void everyContactGetsANickOfItsOwn_data();
    void everyContactGetsANickOfItsOwn();
    void contactsOfTheBookAreNamed_data();
    void contactsOfTheBookAreNamed();
    void sameListTwiceAddsNothing();
    void eachImportCountsItsOwnAnswers();
    void rowsSwappedDuringTheWait_data();
    void rowsSwappedDuringTheWait();
    void signingOutEndsTheWait();
    void signingOutBeforeTheImportStartsIt();
    void newGroupFollowsTheGroupRules_data();
    void newGroupFollowsTheGroupRules();
    void yahooWithoutARegistrationIsUnavailable();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    int page() const { return child<QStackedWidget>("contentStackedWidget")->currentIndex(); }
    void click(const char *name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void signIn(int provider, const QString &user, const QString &password);
    QStringList rows(const char *list) const;
    // Checks every row and imports them; true on the invite page.
    bool importAll();
    // What the Import button said is in the book already, if anything.
    QString presentText();
    QString conclusion() const { return child<QLabel>("concludeLabel")->text(); }
    // Of the Yahoo import only: its names show what plain text looks like.
    void screenshot(const QString &name)
    {
        if (QByteArray(QTest::currentDataTag()) == "yahoo")
            QVERIFY(m_dialog->grab().save(UiTesting::screenshotPath(name)));
    }

    std::unique_ptr<AddressBookRig> m_rig;
    std::unique_ptr<GoogleStandIn> m_google;
    std::unique_ptr<YahooStandIn> m_yahoo;
    std::unique_ptr<ImportContactsDialog> m_dialog;
    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
    int m_timeout = 10000;
    bool m_plainHttpFeed = false;
    quint16 m_refusingPort = 0;
    QList<int> m_progress;
};

void TestImportContactsDialog::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QVERIFY2(TestTls::credentials().isValid(), qPrintable(TestTls::credentials().error));
    TestTls::trustAuthority();
    UiTesting::applyApplicationLook();
}

void TestImportContactsDialog::init()
{
    m_rig = std::make_unique<AddressBookRig>();
    QVERIFY(m_rig->start());
    m_google = std::make_unique<GoogleStandIn>();
    m_yahoo = std::make_unique<YahooStandIn>();
    QVERIFY(m_google->listen() && m_yahoo->listen());
    m_google->setAccount(kMail, kMailPassword);
    m_yahoo->setAccount(kMail, kMailPassword);
    m_google->setEntries(
        {GoogleStandIn::entry("Ann", "Lee", {"ann@example.test"}, {"+1 555 0100"}),
         GoogleStandIn::entry("Dora", "", {"dora@example.test", "d2@example.test"}, {"555-0102", "+49 30 1"}),
         GoogleStandIn::entry("Carl", "", {"carl@example.test"}, {})});
    m_yahoo->setContacts(
        {YahooStandIn::contact({{"name", QJsonObject {{"givenName", "Ann"}, {"familyName", "Lee"}}},
                                {"email", "ann@example.test"},
                                {"phone", "+1-555-0100"}}),
         YahooStandIn::contact({{"yahooid", "bobby"}, {"nickname", "Bob"}, {"phone", "555 0101"}}),
         YahooStandIn::contact(
             {{"name", QJsonObject {{"givenName", "Carl"}}}, {"email", "carl@example.test"}}),
         YahooStandIn::contact({{"name", QJsonObject {{"givenName", "Zoë"}, {"familyName", "<b>Ökçe</b>"}}},
                                {"phone", "+44 20 7946 0000"}}),
         QJsonObject()});

    m_rig->book.addOldGroup(QStringLiteral("Friends"));
    // Holds Ann's number as the import will write it, not as the provider does.
    m_rig->book.addOldContact(
        Contact(QVariantMap {{"nick", "annold"},
                             {"firstName", "Ann"},
                             {"lastName", "<i>Old</i>"},
                             {"groupName", "Friends"},
                             {"phones", QVariantList {QVariantMap {{"number", "15550100"}}}}}));

    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_dialog = std::make_unique<ImportContactsDialog>();
    m_dialog->setRestManager(&m_rig->rest);
    m_dialog->setContactManager(&m_rig->book);
    m_dialog->setGroups({QStringLiteral("Friends"), QStringLiteral("Work")});
    m_timeout = 10000;
    m_plainHttpFeed = false;
    m_refusingPort = 0;
    m_dialog->setImporterFactory([this](int provider, QObject *parent) {
        GoogleEndpoints google = m_google->endpoints();
        YahooEndpoints yahoo = m_yahoo->endpoints();
        if (m_plainHttpFeed)
            google.contacts.setScheme(QStringLiteral("http"));
        if (m_refusingPort != 0) {
            google.signIn.setPort(m_refusingPort);
            yahoo.requestToken.setPort(m_refusingPort);
        }
        ContactImporter *importer = provider == ImportContactsDialog::Google
            ? static_cast<ContactImporter *>(new GoogleImporter(google, parent))
            : new YahooImporter(yahoo, parent);
        importer->setTimeouts(m_timeout, 3 * m_timeout);
        return importer;
    });
    m_dialog->show();
}

void TestImportContactsDialog::cleanup()
{
    m_dialog.reset();
    m_prompts.reset();
    m_yahoo.reset();
    m_google.reset();
    m_rig.reset();
}

void TestImportContactsDialog::signIn(int provider, const QString &user, const QString &password)
{
    click(provider == ImportContactsDialog::Google ? "importGmailButton" : "importYahooButton");
    QCOMPARE(page(), int(ImportContactsDialog::LoginPage));
    m_progress.clear();
    connect(m_dialog->findChild<ContactImporter *>(), &ContactImporter::progressUpdate, this,
            [this](int percent) { m_progress << percent; });
    child<QLineEdit>("serviceLoginLineEdit")->setText(user);
    child<QLineEdit>("servicePasswordLineEdit")->setText(password);
    QTest::keyClick(child<QLineEdit>("servicePasswordLineEdit"), Qt::Key_Return);
}

QStringList TestImportContactsDialog::rows(const char *list) const
{
    QStringList texts;
    const QListWidget *widget = child<QListWidget>(list);
    for (int row = 0; row < widget->count(); ++row)
        texts << widget->item(row)->text();
    return texts;
}

bool TestImportContactsDialog::importAll()
{
    child<QCheckBox>("selectAllImportCheckBox")->click();
    click("importButton");
    return QTest::qWaitFor([this] { return page() == int(ImportContactsDialog::InvitePage); },
                           ImportContactsDialog::ImportDelay + 10000);
}

QString TestImportContactsDialog::presentText()
{
    child<QCheckBox>("selectAllImportCheckBox")->click();
    click("importButton");
    // Nothing waits to go in.
    if (!child<QWidget>("importProgressBar")->isHidden())
        return QString();
    const QStringList texts = m_prompts->texts();
    return texts.isEmpty() ? QString() : texts.last();
}

void TestImportContactsDialog::importsThroughEveryPage_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("importRows");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("accepted");

    // Yahoo: Ann is already in the book under her number's digits, which the
    // Import button finds, and the service fails the first contact it is
    // sent.
    QTest::newRow("yahoo") << int(ImportContactsDialog::Yahoo)
                           << QStringList {"POST /oauth/v2/get_request_token",
                                           "GET /login/start",
                                           "GET /login/hop",
                                           "GET /login/form",
                                           "POST /login/verify",
                                           "GET /oauth/consent",
                                           "GET /oauth/consent2",
                                           "POST /oauth/grant",
                                           "POST /oauth/v2/get_token",
                                           "GET /v1/user/GUIDABC123/contacts;count=max"}
                           << QList<int> {10, 20, 40, 40, 50, 60, 70, 80, 90, 100}
                           << QStringList {"bobby@yahoo.test (555 0101)", "Ann Lee (+1-555-0100)",
                                           "Zoë <b>Ökçe</b> (+44 20 7946 0000)"}
                           << "Friends" << 1;
    QTest::newRow("google") << int(ImportContactsDialog::Google)
                            << QStringList {"POST /accounts/ClientLogin",
                                            "GET /m8/feeds/contacts/default/full"}
                            << QList<int> {10, 20, 30, 70, 100}
                            << QStringList {"Ann Lee (+1 555 0100)", "Dora (+49 30 1)"} << "Imported" << 2;
}

void TestImportContactsDialog::importsThroughEveryPage()
{
    QFETCH(int, provider);
    QFETCH(QStringList, chain);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, importRows);
    QFETCH(QString, group);
    QFETCH(int, accepted);
    const bool yahoo = provider == ImportContactsDialog::Yahoo;
    ProviderStandIn *const standIn = yahoo ? static_cast<ProviderStandIn *>(m_yahoo.get()) : m_google.get();
    screenshot(QStringLiteral("importcontacts-1-provider.png"));

    std::unique_ptr<TraceCapture> traces = std::make_unique<TraceCapture>();
    signIn(provider, kMail, kMailPassword);
    QVERIFY(!child<QPushButton>("importButton")->isEnabled());
    QCOMPARE(child<QLabel>("serviceLoginLabel")->text(), yahoo ? "Yahoo Username:" : "Google Username:");
    screenshot(QStringLiteral("importcontacts-2-signin.png"));
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QCOMPARE(standIn->requestLines(), chain);
    QVERIFY2(standIn->problems().isEmpty(), qPrintable(standIn->problems().join('\n')));
    QCOMPARE(m_progress, progress);
    const QStringList lines = TraceCapture::lines();
    traces.reset();
    for (const QString &secret : {kMailPassword, QStringLiteral("ts3cr3t"), QStringLiteral("reqsecret"),
                                  YahooStandIn::AccessToken, QString::fromLatin1(GoogleStandIn::Token),
                                  QStringLiteral("vf8k2x"), QStringLiteral("Lee"), QStringLiteral("bobby")})
        QVERIFY2(lines.filter(secret).isEmpty(), qPrintable(secret));

    QCOMPARE(rows("importListWidget"), importRows);
    QCOMPARE(child<QLabel>("foundImportContactsLabel")->text(),
             QStringLiteral(
                 "We have found %1 contacts that have phone numbers.<br>Choose the ones you want to import.")
                 .arg(importRows.size()));
    child<QCheckBox>("selectAllImportCheckBox")->click();
    if (group == QLatin1String("Friends")) {
        m_rig->service.answerNextWithStatus(500, {QStringLiteral("contact"), "PUT"});
    } else {
        click("addGroupButton");
        child<QLineEdit>("groupLineEdit")->setText(group);
    }
    screenshot(QStringLiteral("importcontacts-3-contacts.png"));
    click("importButton");
    if (yahoo) {
        QCOMPARE(m_prompts->texts(),
                 QStringList {"Contacts below are already in your list\nPlease deselect "
                              "them:\nAnn <i>Old</i> (Friends)"});
        child<QListWidget>("importListWidget")->item(1)->setCheckState(Qt::Unchecked);
        m_prompts->requests.clear();
        click("importButton");
    }
    QTRY_COMPARE_WITH_TIMEOUT(page(), int(ImportContactsDialog::InvitePage),
                              ImportContactsDialog::ImportDelay + 5000);
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(m_rig->service.groups(AddressBookRig::User).contains(group), !yahoo);
    QTRY_COMPARE(m_dialog->acceptedCount(), accepted);

    QCOMPARE(rows("inviteListWidget").size(), 3);
    child<QLineEdit>("inviteNameLineEdit")->setText(QStringLiteral("Jo User"));
    child<QLineEdit>("inviteEmailLineEdit")->setText(QStringLiteral("jo@example.test"));
    child<QPlainTextEdit>("inviteMessageTextEdit")->setPlainText(QStringLiteral("Try it!"));
    child<QListWidget>("inviteListWidget")->item(1)->setCheckState(Qt::Checked);
    screenshot(QStringLiteral("importcontacts-4-invite.png"));
    click("importButton");
    QCOMPARE(page(), int(ImportContactsDialog::ConcludePage));
    QTRY_COMPARE(m_rig->service.invitations(AddressBookRig::User).size(), 1);
    const QJsonObject invite = m_rig->service.invitations(AddressBookRig::User).first();
    QCOMPARE(invite.value("toEmails").toArray(),
             QJsonArray {yahoo ? "ann@example.test" : "carl@example.test"});
    QCOMPARE(invite.value("userSubject").toString(), "Jo User has invited you to Halvetta Linkora.");
    QCOMPARE(child<QLabel>("concludeLabel")->text(),
             accepted == 1 ? QStringLiteral("You have successfully added 1 contact.")
                           : QStringLiteral("You have successfully added %1 contacts.").arg(accepted));
    screenshot(QStringLiteral("importcontacts-5-done.png"));
    click("importButton");
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void TestImportContactsDialog::everyChainEndsOnce_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("page");
    const int google = ImportContactsDialog::Google;
    const int yahoo = ImportContactsDialog::Yahoo;
    const int login = ImportContactsDialog::LoginPage;
    const int start = ImportContactsDialog::ProviderPage;
    const QString loginError = QStringLiteral("Login error");
    const QString wrongCredentials = QStringLiteral("Please check your credentials and try again!");
    const QString failed = QStringLiteral("Network error");
    const auto unreachable = [](const char *provider) {
        return networkError(QStringLiteral("%1 could not be reached. Check your connection to the Internet "
                                           "and try again.")
                                .arg(provider));
    };
    const auto refused = [](const char *provider) {
        return networkError(QStringLiteral("%1 did not accept the sign-in. Sign in on its web site once to "
                                           "see why, then try again.")
                                .arg(provider));
    };
    const auto unreadable = [](const char *provider) {
        return networkError(
            QStringLiteral("%1 gave an answer that could not be read. Try again later.").arg(provider));
    };
    const auto late = [](const char *provider) {
        return networkError(QStringLiteral("%1 did not answer in time. Try again later.").arg(provider));
    };
    const auto unsafe = [](const char *provider) {
        return networkError(QStringLiteral("%1 sent us to an address that is not its own or not secure; "
                                           "nothing was sent there.")
                                .arg(provider));
    };
    QTest::newRow("google, wrong password")
        << google << int(WrongPassword) << loginError << wrongCredentials << login;
    QTest::newRow("google, captcha wanted") << google << int(Captcha) << failed << refused("Google") << start;
    QTest::newRow("google, malformed feed")
        << google << int(MalformedFeed) << failed << unreadable("Google") << start;
    QTest::newRow("google, feed over plain http")
        << google << int(PlainHttpFeed) << failed << unsafe("Google") << start;
    QTest::newRow("google, slow") << google << int(SlowProvider) << failed << late("Google") << start;
    QTest::newRow("google, connection refused")
        << google << int(ConnectionRefused) << failed << unreachable("Google") << start;
    QTest::newRow("google, connection dropped")
        << google << int(ConnectionDropped) << failed << unreachable("Google") << start;
    QTest::newRow("google, garbage answer")
        << google << int(GarbageAnswer) << failed << unreadable("Google") << start;
    QTest::newRow("google, server error")
        << google << int(ServerError) << failed
        << networkError(QStringLiteral("Google answered with an error (HTTP status 503). Try again later."))
        << start;
    QTest::newRow("yahoo, wrong password")
        << yahoo << int(WrongPassword) << loginError << wrongCredentials << login;
    QTest::newRow("yahoo, sign-in refused")
        << yahoo << int(SignInRefused) << failed << refused("Yahoo") << start;
    QTest::newRow("yahoo, consent refused")
        << yahoo << int(ConsentRefused) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, malformed feed")
        << yahoo << int(MalformedFeed) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, redirect loop")
        << yahoo << int(RedirectLoop) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, slow") << yahoo << int(SlowProvider) << failed << late("Yahoo") << start;
    QTest::newRow("yahoo, form posts elsewhere")
        << yahoo << int(ForeignFormHost) << failed << unsafe("Yahoo") << start;
    QTest::newRow("yahoo, endless page") << yahoo << int(HugePage) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, path in the user id")
        << yahoo << int(PathInUserId) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, connection refused")
        << yahoo << int(ConnectionRefused) << failed << unreachable("Yahoo") << start;
    QTest::newRow("yahoo, connection dropped")
        << yahoo << int(ConnectionDropped) << failed << unreachable("Yahoo") << start;
    QTest::newRow("yahoo, garbage answer")
        << yahoo << int(GarbageAnswer) << failed << unreadable("Yahoo") << start;
    QTest::newRow("yahoo, empty address book") << yahoo << int(EmptyBook) << ""
                                               << "" << int(ImportContactsDialog::ImportPage);
}

void TestImportContactsDialog::everyChainEndsOnce()
{
    QFETCH(int, provider);
    QFETCH(int, scenario);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, page);
    const bool yahoo = provider == ImportContactsDialog::Yahoo;
    ProviderStandIn *const standIn = yahoo ? static_cast<ProviderStandIn *>(m_yahoo.get()) : m_google.get();
    const QString feed = yahoo ? "/v1/user/GUIDABC123/contacts;count=max" : "/m8/feeds/contacts/default/full";
    QString password = kMailPassword;
    switch (scenario) {
    case WrongPassword:
        password = QStringLiteral("wrong");
        break;
    case Captcha:
        m_google->answerNext(
            "/accounts/ClientLogin",
            ProviderStandIn::text(403,
                                  "Error=CaptchaRequired\nCaptchaToken=ct\nCaptchaUrl=Captcha?ctoken=ct\n"));
        break;
    case ConsentRefused:
        m_yahoo->setConsentRefused(true);
        break;
    case PlainHttpFeed:
        m_plainHttpFeed = true;
        break;
    case EmptyBook:
        m_yahoo->setContacts({});
        break;
    case PathInUserId:
        m_yahoo->answerNext(
            "/oauth/v2/get_token",
            ProviderStandIn::text(200, "oauth_token=t&oauth_token_secret=s&xoauth_yahoo_guid=..%2F..%2Fx"));
        break;
    case HugePage:
        m_yahoo->answerNext("/login/form",
                            ProviderStandIn::html(QByteArray(ContactImporter::PageLimit + 1, ' ')));
        break;
    case MalformedFeed:
        standIn->answerNext(feed, ProviderStandIn::html("<html><body>Service Unavailable</body></html>"));
        break;
    case ConnectionRefused:
        m_refusingPort = closedPort();
        QVERIFY(m_refusingPort != 0);
        break;
    case ConnectionDropped:
        standIn->answerNext(feed, ProviderStandIn::dropped());
        break;
    case GarbageAnswer:
        standIn->answerNext(yahoo ? "/oauth/v2/get_request_token" : "/accounts/ClientLogin",
                            ProviderStandIn::text(200, QByteArray("\x89\xff\0\x1b[2J\r\n", 10)));
        break;
    case ServerError:
        standIn->answerNext(feed, ProviderStandIn::text(503, "Service Unavailable"));
        break;
    case SignInRefused:
        m_yahoo->answerNext(
            "/login/form",
            ProviderStandIn::html("<html><body><div class=\"yregertxt\">Please solve the puzzle "
                                  "below.</div></body></html>"));
        break;
    case RedirectLoop:
        m_yahoo->setRedirectLoop(true);
        break;
    case SlowProvider:
        m_timeout = 300;
        standIn->setAnswerDelay(1500);
        break;
    case ForeignFormHost:
        m_yahoo->setSignInAction(QStringLiteral("https://localhost:%1/login/verify")
                                     .arg(QUrl(m_yahoo->origin()).port())
                                     .toLatin1());
        break;
    }
    signIn(provider, kMail, password);
    const QStringList titles = title.isEmpty() ? QStringList() : QStringList {title};
    if (title.isEmpty())
        QTRY_COMPARE(this->page(), page);
    else
        QTRY_COMPARE(m_prompts->titles(), titles);
    QCOMPARE(m_prompts->texts(), text.isEmpty() ? QStringList() : QStringList {text});
    QCOMPARE(this->page(), page);
    QVERIFY(standIn->problems().isEmpty());
    const QStringList lines = standIn->requestLines();
    if (scenario == RedirectLoop)
        QCOMPARE(lines.count("GET /login/start"), 1 + YahooImporter::MaxRedirects / 2);
    if (scenario == ForeignFormHost || scenario == HugePage)
        QVERIFY(!lines.contains("POST /login/verify") && lines.contains("GET /login/form"));
    if (scenario == PlainHttpFeed || scenario == PathInUserId)
        QCOMPARE(lines.last(), yahoo ? "POST /oauth/v2/get_token" : "POST /accounts/ClientLogin");
    if (page == ImportContactsDialog::LoginPage) {
        QVERIFY(child<QPushButton>("importButton")->isEnabled());
        QVERIFY(child<QLabel>("processingLabel")->isHidden());
    }
    if (scenario == EmptyBook) {
        QVERIFY(child<QWidget>("contactsWidget")->isHidden());
        QVERIFY(child<QLabel>("foundImportContactsLabel")
                    ->text()
                    .startsWith("We have found no contacts that have a"));
    }
    // Nothing more comes from the ended chain.
    QTest::qWait(100);
    QCOMPARE(m_prompts->titles(), titles);
}

void TestImportContactsDialog::importChecksAndProviderSwitch()
{
    // A Yahoo sign-in still under way is dropped by picking Google.
    m_yahoo->setAnswerDelay(200);
    signIn(ImportContactsDialog::Yahoo, kMail, kMailPassword);
    QTRY_VERIFY(!m_yahoo->requests().isEmpty());
    click("backButton");
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QTest::qWait(400);
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(m_yahoo->requests().size(), 1);
    QCOMPARE(page(), int(ImportContactsDialog::ImportPage));

    // Both a taken group name and a contact in the book: the contacts are named.
    click("addGroupButton");
    child<QLineEdit>("groupLineEdit")->setText(QStringLiteral("Friends"));
    child<QListWidget>("importListWidget")->item(0)->setCheckState(Qt::Checked);
    m_rig->book.addOldContact(Contact(QVariantMap {{"nick", "ann2"},
                                                   {"firstName", "Ann"},
                                                   {"lastName", "<i>Two</i>"},
                                                   {"emails", QStringList {"ann@example.test"}}}));
    click("importButton");
    QCOMPARE(
        m_prompts->texts(),
        QStringList {"Contacts below are already in your list\nPlease deselect them:\nAnn <i>Two</i> ()"});
    QCOMPARE(m_prompts->requests.first().textFormat, Qt::PlainText);
    click("cancelAddGroupButton");
    child<QListWidget>("importListWidget")->item(0)->setCheckState(Qt::Unchecked);
    click("importButton");
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(child<QWidget>("importProgressBar")->isVisible());
    click("skipButton");
    click("skipButton");
    QCOMPARE(child<QLabel>("concludeLabel")->text(), "You haven't imported any contacts.");

    // Another provider drops the import still waiting: no rows, no warning.
    click("anotherServiceButton");
    click("importYahooButton");
    QTest::qWait(ImportContactsDialog::ImportDelay + 200);
    QCOMPARE(page(), int(ImportContactsDialog::LoginPage));
    QCOMPARE(m_prompts->requests.size(), 1);
}

// The buttons are as high as the look gives them, all of them inside the
// panel; every check box of the wizard is drawn alike.
void TestImportContactsDialog::buttonsAndCheckBoxesKeepTheirLook()
{
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    for (const char *name : {"importYahooButton", "importGmailButton"})
        QCOMPARE(child<QPushButton>(name)->height(), 29);
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    const QWidget *panel = child<QWidget>("buttonPanel");
    const QList<std::pair<const char *, int>> heights {
        {"backButton", 29}, {"importButton", 29}, {"skipButton", 33}};
    for (const auto &[name, height] : heights) {
        const QPushButton *button = child<QPushButton>(name);
        QVERIFY2(button->isVisible(), name);
        QCOMPARE(button->height(), height);
        QVERIFY2(panel->rect().contains(button->geometry()), name);
    }

    // A row's box and "Select All" have the same size on screen.
    const auto *list = child<QListWidget>("importListWidget");
    const auto *all = child<QCheckBox>("selectAllImportCheckBox");
    QVERIFY(list->count() > 0);
    QStyleOptionButton box;
    box.initFrom(all);
    const QSize rowBox = UiTesting::rowCheckBoxRect(list, 0).size();
    const QSize allBox = all->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &box, all).size();
    QCOMPARE(rowBox, allBox);
    QVERIFY(m_dialog->grab().save(UiTesting::screenshotPath(QStringLiteral("importcontacts-buttons.png"))));
}

void TestImportContactsDialog::conclusionWaitsForTheAddressBook()
{
    // The address book takes its time over the first contact: the conclusion
    // says what is under way, and the count only once every answer is in.
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    m_rig->service.delayNext(1500, {QStringLiteral("contact"), "PUT"});
    child<QCheckBox>("selectAllImportCheckBox")->click();
    click("importButton");
    QTRY_COMPARE_WITH_TIMEOUT(page(), int(ImportContactsDialog::InvitePage),
                              ImportContactsDialog::ImportDelay + 5000);
    click("skipButton");
    QCOMPARE(page(), int(ImportContactsDialog::ConcludePage));
    QCOMPARE(child<QLabel>("concludeLabel")->text(), "Adding 1 of 2 contacts...");
    QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("concludeLabel")->text(),
                              "You have successfully added 2 contacts.", 5000);
    QCOMPARE(m_dialog->acceptedCount(), 2);
}

void TestImportContactsDialog::everyContactGetsANickOfItsOwn_data()
{
    QTest::addColumn<QString>("nickname"); // the provider's for all 300 shops
    QTest::addColumn<QString>("bookNick");
    QTest::addColumn<QStringList>("sent"); // some nicks the service gets
    QTest::addColumn<QString>("refusal");

    // A second "Info" cannot be "Info-2": the book has that one.
    QTest::newRow("one nickname") << "Info"
                                  << "Info-2" << QStringList {"Info", "Info-3", "Info-301"} << QString();
    // No name and no nickname, only an e-mail address: nicks made of
    // "info", the number and the time.
    QTest::newRow("e-mail only") << ""
                                 << "Info" << QStringList() << QString();
    // The book's "Info" is each of them, as far as the nick goes.
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("Info  (Work)");
    QTest::newRow("the book's nickname")
        << "Info"
        << "Info" << QStringList()
        << QStringLiteral("Contacts below are already in your list\nPlease deselect them:\n")
            + lines.join('\n');
}

void TestImportContactsDialog::everyContactGetsANickOfItsOwn()
{
    QFETCH(QString, nickname);
    QFETCH(QString, bookNick);
    QFETCH(QStringList, sent);
    QFETCH(QString, refusal);
    // Shops the provider knows by one nickname or by their address alone,
    // and people whose names and nicknames the nick's letters cannot hold.
    QJsonArray contacts;
    for (int i = 0; i < 300; ++i) {
        QJsonObject shop {{"email", QStringLiteral("info@shop%1.test").arg(i)},
                          {"phone", QStringLiteral("555 1%1").arg(i, 3, 10, QChar('0'))}};
        if (!nickname.isEmpty()) {
            shop.insert("name", QJsonObject {{"givenName", "Info"}});
            shop.insert("nickname", nickname);
        }
        contacts.append(yahooContact(shop));
    }
    for (int i = 0; i < 100; ++i) {
        contacts.append(YahooStandIn::contact(
            {{"name", QJsonObject {{"givenName", i % 2 ? "Иван" : "王"}, {"familyName", "Петров"}}},
             {"nickname", i % 2 ? "Ваня" : ""},
             {"email", QStringLiteral("ivan%1@example.test").arg(i)},
             {"phone", QStringLiteral("555 2%1").arg(i, 3, 10, QChar('0'))}}));
    }
    m_yahoo->setContacts(contacts);
    m_rig->book.addOldContact(Contact(QVariantMap {{"nick", bookNick},
                                                   {"firstName", "Info"},
                                                   {"groupName", "Work"},
                                                   {"emails", QStringList {"info@example.test"}}}));

    signIn(ImportContactsDialog::Yahoo, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QCOMPARE(child<QListWidget>("importListWidget")->count(), 400);
    if (!refusal.isEmpty()) {
        QCOMPARE(presentText(), refusal);
        QCOMPARE(m_prompts->titles(), QStringList {"Error"});
        QCOMPARE(page(), int(ImportContactsDialog::ImportPage));
        QVERIFY(m_rig->service.contactNicks(AddressBookRig::User).isEmpty());
        return;
    }
    QVERIFY(importAll());
    QVERIFY(m_prompts->requests.isEmpty());
    click("skipButton");
    QTRY_COMPARE_WITH_TIMEOUT(conclusion(), "You have successfully added 400 contacts.", 60000);
    QCOMPARE(m_dialog->acceptedCount(), 400);
    const QStringList nicks = m_rig->service.contactNicks(AddressBookRig::User);
    QCOMPARE(nicks.size(), 400);
    QVERIFY(!nicks.contains(bookNick));
    for (const QString &nick : qAsConst(sent))
        QVERIFY2(nicks.contains(nick), qPrintable(nick));
    static const QRegularExpression clean(QStringLiteral("^[A-Za-z0-9._~-]+$"));
    QCOMPARE(nicks.filter(clean).size(), 400);
}

void TestImportContactsDialog::contactsOfTheBookAreNamed_data()
{
    QTest::addColumn<QJsonObject>("provided"); // a Yahoo contact
    QTest::addColumn<QVariantMap>("stored"); // a contact of the book, in Work
    QTest::addColumn<QString>("line");

    const auto stored = [](const char *nick, const char *first, const char *last, const char *number) {
        return QVariantMap {{"nick", nick},
                            {"firstName", QString::fromUtf8(first)},
                            {"lastName", last},
                            {"groupName", "Work"},
                            {"phones", QVariantList {QVariantMap {{"number", number}}}}};
    };
    // The provider's "Bob" with the number the book holds as digits.
    QTest::newRow("nickname and number") << QJsonObject {{"nickname", "Bob"}, {"phone", "+1-555-0101"}}
                                         << stored("Bob", "Bob", "", "15550101") << "Bob  (Work)";
    QTest::newRow("nickname") << QJsonObject {{"nickname", "Bob"}, {"phone", "+1-555-0101"}}
                              << stored("Bob", "Bob", "", "15550199") << "Bob  (Work)";
    QTest::newRow("nickname as it goes in")
        << QJsonObject {{"nickname", "Mary Ann"}, {"phone", "555 0102"}}
        << stored("MaryAnn", "Mary", "Ann", "15550199") << "Mary Ann (Work)";
    QTest::newRow("number as it goes in")
        << QJsonObject {{"name", QJsonObject {{"givenName", "Zoë"}}}, {"phone", "+44-2079460000"}}
        << stored("zoe", "Zoë", "", "442079460000") << "Zoë  (Work)";
}

// A contact the book has is named when the Import button is clicked, and
// none goes in, whatever group they are meant for.
void TestImportContactsDialog::contactsOfTheBookAreNamed()
{
    QFETCH(QJsonObject, provided);
    QFETCH(QVariantMap, stored);
    QFETCH(QString, line);
    m_yahoo->setContacts(
        {yahooContact(provided), YahooStandIn::contact({{"nickname", "Cy"}, {"phone", "555 0103"}})});
    m_rig->book.addOldContact(Contact(stored));
    signIn(ImportContactsDialog::Yahoo, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QCOMPARE(presentText(), "Contacts below are already in your list\nPlease deselect them:\n" + line);
    QCOMPARE(m_prompts->requests.first().textFormat, Qt::PlainText);
    QVERIFY(m_rig->service.contactNicks(AddressBookRig::User).isEmpty());
    QCOMPARE(m_rig->book.contacts().size(), 2);
}

// The same address book again, into another group: nothing goes in twice,
// and the wizard names what is there.
void TestImportContactsDialog::sameListTwiceAddsNothing()
{
    m_google->setEntries({GoogleStandIn::entry("Ann", "Lee", {"ann@example.test"}, {"+1 555 0100"}),
                          GoogleStandIn::entry("Eve", "", {}, {"+44-20-7946-0001"})});
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QVERIFY(importAll());
    QTRY_COMPARE(m_dialog->acceptedCount(), 2);
    const QStringList nicks = m_rig->service.contactNicks(AddressBookRig::User);
    QCOMPARE(nicks.size(), 2);

    click("skipButton");
    click("anotherServiceButton");
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    QTest::keyClick(child<QComboBox>("groupsComboBox"), Qt::Key_Down);
    QCOMPARE(child<QComboBox>("groupsComboBox")->currentText(), "Work");
    QCOMPARE(
        presentText(),
        "Contacts below are already in your list\nPlease deselect them:\nAnn Lee (Friends)\nEve  (Friends)");
    QCOMPARE(m_rig->service.contactNicks(AddressBookRig::User), nicks);
    QCOMPARE(m_rig->book.contacts().size(), 3);
}

void TestImportContactsDialog::eachImportCountsItsOwnAnswers()
{
    // The web service holds its answer to the first import's first contact
    // while a second import, from another address book, goes in.
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    m_rig->service.delayNext(8000, {QStringLiteral("contact"), "PUT"});
    QVERIFY(importAll());
    click("skipButton");
    QCOMPARE(conclusion(), "Adding 1 of 2 contacts...");

    m_google->setEntries({GoogleStandIn::entry("Eve", "", {}, {"555 0301"}),
                          GoogleStandIn::entry("Fay", "", {}, {"555 0302"}),
                          GoogleStandIn::entry("Gus", "", {}, {"555 0303"})});
    click("anotherServiceButton");
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    std::unique_ptr<TraceCapture> traces = std::make_unique<TraceCapture>();
    QVERIFY(importAll());
    const QStringList lines = TraceCapture::lines();
    traces.reset();
    click("skipButton");
    QCOMPARE(conclusion(), "Adding 1 of 3 contacts...");
    QCOMPARE(lines.filter("addNewContact called: 3").size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(conclusion(), "You have successfully added 3 contacts.", 20000);
    QCOMPARE(m_dialog->acceptedCount(), 3);
    QTRY_COMPARE(m_rig->service.contactNicks(AddressBookRig::User).size(), 5);
    QCOMPARE(conclusion(), "You have successfully added 3 contacts.");
}

void TestImportContactsDialog::rowsSwappedDuringTheWait_data()
{
    QTest::addColumn<int>("swappedIn"); // the row checked instead of Fay's
    QTest::addColumn<QString>("refusal"); // empty: the book has not got the row's contact
    QTest::addColumn<QStringList>("sent"); // first names the service gets in the end

    const QString present
        = QStringLiteral("Contacts below are already in your list\nPlease deselect them:\n");
    QTest::newRow("new contact") << 2 << QString() << QStringList {"Eve", "Gus"};
    QTest::newRow("in the book, another group") << 3 << present + "Hal Old (Work)" << QStringList {"Eve"};
    QTest::newRow("in the book, the same group") << 4 << present + "Ida Old (Friends)" << QStringList {"Eve"};
}

// The rows are read again when the wait after Import is over: what goes in
// is what is checked then, each row checked against the book as at the
// click.
void TestImportContactsDialog::rowsSwappedDuringTheWait()
{
    QFETCH(int, swappedIn);
    QFETCH(QString, refusal);
    QFETCH(QStringList, sent);
    m_google->setEntries(
        {GoogleStandIn::entry("Eve", "", {}, {"5550301"}), GoogleStandIn::entry("Fay", "", {}, {"5550302"}),
         GoogleStandIn::entry("Gus", "", {}, {"5550303"}), GoogleStandIn::entry("Hal", "", {}, {"5550304"}),
         GoogleStandIn::entry("Ida", "", {}, {"5550305"})});
    const auto stored = [](const char *nick, const char *first, const char *group, const char *number) {
        return Contact(QVariantMap {{"nick", nick},
                                    {"firstName", first},
                                    {"lastName", "Old"},
                                    {"groupName", group},
                                    {"phones", QVariantList {QVariantMap {{"number", number}}}}});
    };
    m_rig->book.addOldContact(stored("halold", "Hal", "Work", "5550304"));
    m_rig->book.addOldContact(stored("idaold", "Ida", "Friends", "5550305"));
    const int inTheBook = int(m_rig->book.contacts().size());
    const auto sentNames = [this] {
        QStringList names;
        for (const QString &nick : m_rig->service.contactNicks(AddressBookRig::User))
            names << m_rig->service.contact(AddressBookRig::User, nick).value("firstName").toString();
        names.sort();
        return names;
    };

    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    auto *list = child<QListWidget>("importListWidget");
    QCOMPARE(
        rows("importListWidget"),
        QStringList({"Eve (5550301)", "Fay (5550302)", "Gus (5550303)", "Hal (5550304)", "Ida (5550305)"}));
    UiTesting::clickRowCheckBox(list, 0);
    UiTesting::clickRowCheckBox(list, 1);
    click("importButton");
    QVERIFY(m_prompts->requests.isEmpty());
    QVERIFY(child<QWidget>("importProgressBar")->isVisible());
    // Within the wait: as many rows checked, another one instead of Fay's.
    UiTesting::clickRowCheckBox(list, 1);
    UiTesting::clickRowCheckBox(list, swappedIn);
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(list->item(swappedIn)->checkState(), Qt::Checked);

    if (!refusal.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts->texts(), QStringList {refusal},
                                  ImportContactsDialog::ImportDelay + 5000);
        QCOMPARE(m_prompts->titles(), QStringList {"Error"});
        QCOMPARE(page(), int(ImportContactsDialog::ImportPage));
        QVERIFY(child<QWidget>("importProgressBar")->isHidden());
        QCOMPARE(int(m_rig->book.contacts().size()), inTheBook);
        // The user deselects the contact named, and imports again.
        UiTesting::clickRowCheckBox(list, swappedIn);
        m_prompts->requests.clear();
        click("importButton");
    }
    QTRY_COMPARE_WITH_TIMEOUT(page(), int(ImportContactsDialog::InvitePage),
                              ImportContactsDialog::ImportDelay + 5000);
    QVERIFY(m_prompts->requests.isEmpty());
    QTRY_COMPARE(m_dialog->acceptedCount(), int(sent.size()));
    QCOMPARE(sentNames(), sent);
    QCOMPARE(int(m_rig->book.contacts().size()), inTheBook + int(sent.size()));
}

void TestImportContactsDialog::signingOutEndsTheWait()
{
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    m_rig->service.delayNext(3000, {QStringLiteral("contact"), "PUT"});
    QVERIFY(importAll());
    click("skipButton");
    QCOMPARE(conclusion(), "Adding 1 of 2 contacts...");
    // What signing out does to the book.
    m_rig->book.clear();
    QCOMPARE(conclusion(), "You haven't imported any contacts.");
    QCOMPARE(m_dialog->acceptedCount(), 0);
}

// Signed out between the Import button and the import: nothing goes in or
// out, then or later, until the account is signed in again.
void TestImportContactsDialog::signingOutBeforeTheImportStartsIt()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    TalkTesting::control()->reset();
    PhoneRig account;
    account.server.addGroup(PhoneRig::kUser, QStringLiteral("Friends"));
    QVERIFY(account.logIn());
    QTRY_VERIFY(account.contacts.group(QStringLiteral("Friends")));
    m_dialog->setRestManager(&account.rest);
    m_dialog->setContactManager(&account.contacts);
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    const auto *busy = child<QWidget>("importProgressBar");
    const auto *error = child<QLabel>("errorLabel");
    auto *list = child<QListWidget>("importListWidget");
    child<QCheckBox>("selectAllImportCheckBox")->click();
    click("importButton");
    QVERIFY(busy->isVisible());

    account.phone->logout();
    QVERIFY(account.contacts.groups().isEmpty());
    QVERIFY(busy->isHidden());
    QCOMPARE(page(), int(ImportContactsDialog::ImportPage));
    // Nothing to import into while signed out.
    click("importButton");
    QVERIFY(busy->isHidden());
    QVERIFY(!child<QPushButton>("importButton")->isEnabled());
    QVERIFY(error->isVisible());
    QCOMPARE(error->text(),
             "You have been signed out. Sign in again to import contacts or send invitations.");
    // What the user chose stays.
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(list->item(1)->checkState(), Qt::Checked);
    QVERIFY(m_prompts->requests.isEmpty());

    // Signed in again, an import of its own: had the first one gone on, its
    // two contacts would have gone ahead of this one's.
    QVERIFY(account.logIn());
    QTRY_VERIFY(child<QPushButton>("importButton")->isEnabled());
    QVERIFY(error->isHidden());
    list->item(1)->setCheckState(Qt::Unchecked);
    click("importButton");
    QTRY_COMPARE_WITH_TIMEOUT(page(), int(ImportContactsDialog::InvitePage),
                              ImportContactsDialog::ImportDelay + 5000);
    QTRY_COMPARE(m_dialog->acceptedCount(), 1);
    QCOMPARE(account.requests(QStringLiteral("contact"), "PUT").size(), 1);
    QCOMPARE(account.server.contactNicks(PhoneRig::kUser).size(), 1);
    QVERIFY(m_prompts->requests.isEmpty());
}

void TestImportContactsDialog::newGroupFollowsTheGroupRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("created");
    const QString empty = QStringLiteral("Group name cannot be empty");
    const QString taken = QStringLiteral("Group %1 already exists");
    QTest::newRow("blank") << "" << empty << "";
    QTest::newRow("blanks only") << "   " << empty << "";
    QTest::newRow("over 20 characters") << "Abcdefghijklmnopqrstuvwxy" << QString() << "Abcdefghijklmnopqrst";
    QTest::newRow("taken, other case") << "friends" << taken.arg("friends") << "";
    QTest::newRow("taken") << "Friends" << taken.arg("Friends") << "";
    QTest::newRow("any script") << "Семья_2" << QString() << "Семья_2";
}

void TestImportContactsDialog::newGroupFollowsTheGroupRules()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, created);
    signIn(ImportContactsDialog::Google, kMail, kMailPassword);
    QTRY_COMPARE(page(), int(ImportContactsDialog::ImportPage));
    click("addGroupButton");
    // Key by key, as a keyboard of any layout delivers text.
    for (const QChar ch : typed)
        QTest::sendKeyEvent(QTest::Click, child<QLineEdit>("groupLineEdit"), Qt::Key_unknown, QString(ch),
                            Qt::NoModifier);
    click("importButton");
    QCOMPARE(m_prompts->texts(), message.isEmpty() ? QStringList() : QStringList {message});
    QStringList names;
    for (const ContactGroupPtr &group : m_rig->book.groups())
        names << group->name();
    QStringList expected {"Friends"};
    if (!created.isEmpty())
        expected << created;
    expected.sort();
    QCOMPARE(names, expected);
}

void TestImportContactsDialog::yahooWithoutARegistrationIsUnavailable()
{
    // The brand's URL configuration has no Yahoo consumer key: the choice
    // says so instead of ending in a network error.
    ImportContactsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *const yahoo = dialog.findChild<QPushButton *>(QStringLiteral("importYahooButton"));
    auto *const google = dialog.findChild<QPushButton *>(QStringLiteral("importGmailButton"));
    QVERIFY(!yahoo->isEnabled());
    QCOMPARE(yahoo->text(), QStringLiteral("Yahoo Contacts (not available)"));
    QCOMPARE(yahoo->toolTip(),
             QStringLiteral("Yahoo has not registered this version of Halvetta Linkora, so it "
                            "cannot read Yahoo address books."));
    QVERIFY(google->isEnabled());
    QTest::mouseClick(yahoo, Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(dialog.findChild<QStackedWidget *>(QStringLiteral("contentStackedWidget"))->currentIndex(),
             int(ImportContactsDialog::ProviderPage));
    QVERIFY(m_prompts->requests.isEmpty());
    QVERIFY(!dialog.findChild<ContactImporter *>());
}

LINKORA_TEST_MAIN(TestImportContactsDialog)
#include "tst_importcontactsdialog.moc"
