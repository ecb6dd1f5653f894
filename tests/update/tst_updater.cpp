#include "objfactory.h"
#include "phone/phone.h"
#include "rest/restmanager.h"
#include "startup.h"
#include "support/talktesting.h"
#include "support/testclock.h"
#include "support/webservicestandin.h"
#include "ui/messageprompt.h"
#include "update/useractivity.h"
#include "updaterig.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTimer>

namespace {

int managers(const Updater &updater)
{
    return int(updater.findChildren<QNetworkAccessManager *>().size());
}

// Answers the warning boxes and notes their titles.
struct PromptCatcher
{
    PromptCatcher()
    {
        MessagePrompt::setHandler([this](const MessagePrompt::Request &request) {
            titles << request.title;
            texts << request.text;
            return QMessageBox::Ok;
        });
    }
    ~PromptCatcher() { MessagePrompt::setHandler({}); }
    QStringList titles;
    QStringList texts;
};

// Waits for a timer started now, as long as the automatic update check's:
// a check scheduled before it has been made by the time it fires.
bool automaticCheckTimePassed()
{
    QObject context;
    bool fired = false;
    QTimer::singleShot(Startup::kAutomaticCheckDelayMs, &context, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; }, 10000);
}

enum Outcome { Nothing, Confirmation, UpToDate, Error };

const QString kUser = QStringLiteral("bob");
const QString kPassword = QStringLiteral("hunter2x");

// The program's call controller signs in to the stand-ins and calls out; the
// far end keeps ringing.
bool startCall(Phone *phone)
{
    // As the application object does: the web requests sign in with the
    // phone's credentials.
    RestManager *rest = ObjFactory::instance()->restManager();
    QObject::connect(phone, &Phone::usernameChanged, rest, &RestManager::onUsernameChanged,
                     Qt::UniqueConnection);
    QObject::connect(phone, &Phone::passwordChanged, rest, &RestManager::onPasswordChanged,
                     Qt::UniqueConnection);
    QSignalSpy signedIn(phone, &Phone::loginSuccessful);
    phone->setCredentials(kUser, kPassword);
    if (!signedIn.wait(10000) && signedIn.isEmpty())
        return false;
    TalkTesting::control()->set_call_outcome(PLIX_STANDIN_RING);
    phone->call(QStringLiteral("+4930123456"), false);
    return QTest::qWaitFor([phone] { return phone->currentCall() != nullptr; }, 5000);
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void versionFiles_data();
    void versionFiles();
    void menuCheckAnswers_data();
    void menuCheckAnswers();
    void plainVersionAddressIsAskedOverHttps();
    void otherSchemesAreRefusedWithoutARequest();
    void startupArguments_data();
    void startupArguments();
    void disabledAutomaticCheckReportsNoUpdateAndSendsNothing();
    void menuCheckWhileTheDialogIsShownOnlyRaisesIt();
    void menuCheckNeedsFreeDiskSpace_data();
    void menuCheckNeedsFreeDiskSpace();
    void idleCheck_data();
    void idleCheck();
    void userInputRestartsTheIdleClock();
    void unknownVolumeHasNoFreeSpace();

private:
    WebserviceStandIn m_webservice;
};

void TestUpdater::initTestCase()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    QVERIFY(m_webservice.listen());
    m_webservice.addAccount(kUser, kPassword);
    ObjFactory::setWebserviceBaseUrl(m_webservice.baseUrl());
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
}

void TestUpdater::versionFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("digest");

    const QByteArray digest(64, 'a');
    QTest::newRow("CR LF and blank lines")
        << QByteArray("\r\n\r\n[1.2.3]\r\n\r\n\nurl=https://h/a.exe\r\n") << true << "1.2.3"
        << "https://h/a.exe" << QByteArray();
    QTest::newRow("empty version") << QByteArray("[]\nurl=x") << true << ""
                                   << "x" << QByteArray();
    QTest::newRow("empty address") << QByteArray("[1.2.3]\nurl=") << true << "1.2.3"
                                   << "" << QByteArray();
    QTest::newRow("several =") << QByteArray("[1.2.3]\nurl=https://h/a?b=c=d") << true << "1.2.3"
                               << "https://h/a?b=c=d" << QByteArray();
    QTest::newRow("blanks kept") << QByteArray("[ 1.0 ]\n u = x") << true << " 1.0 "
                                 << " x" << QByteArray();
    QTest::newRow("Latin-1") << QByteArray("[1.0\xe9]\nurl=x") << true << QString::fromLatin1("1.0\xe9")
                             << "x" << QByteArray();
    QTest::newRow("no brackets") << QByteArray("1.2.3\nurl=x") << false << ""
                                 << "" << QByteArray();
    QTest::newRow("one line") << QByteArray("[1.2.3]") << false << ""
                              << "" << QByteArray();
    QTest::newRow("no =") << QByteArray("[1.2.3]\nno-equals") << false << ""
                          << "" << QByteArray();
    QTest::newRow("digest") << QByteArray("[1.2.3]\nurl=x\nsha256=" + digest) << true << "1.2.3"
                            << "x" << digest;
    QTest::newRow("digest upper case")
        << QByteArray("[1.2.3]\nurl=x\nsha256=" + digest.toUpper()) << true << "1.2.3"
        << "x" << digest;
    QTest::newRow("other third line ignored")
        << QByteArray("[1.2.3]\nurl=x\nsomething else\nsha256=zz") << true << "1.2.3"
        << "x" << QByteArray();
    // A digest that cannot be read never passes for "no digest".
    QTest::newRow("short digest") << QByteArray("[1.2.3]\nurl=x\nsha256=abc") << false << ""
                                  << "" << QByteArray();
    QTest::newRow("digest not hex") << QByteArray("[1.2.3]\nurl=x\nsha256=" + QByteArray(64, 'g')) << false
                                    << ""
                                    << "" << QByteArray();
}

void TestUpdater::versionFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, valid);
    QFETCH(QString, version);
    QFETCH(QString, url);
    QFETCH(QByteArray, digest);
    const UpdateOffer offer = UpdateOffer::parse(file);
    QCOMPARE(offer.valid, valid);
    if (!valid)
        return;
    QCOMPARE(offer.version, version);
    QCOMPARE(offer.downloadUrl, url);
    QCOMPARE(offer.sha256.toHex(), digest.toLower());
}

void TestUpdater::menuCheckAnswers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("delivery");
    QTest::addColumn<QString>("redirect"); // "self", "http", "next", "nobody" or none
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("shown"); // for an error: the reason in it

    const int whole = int(UpdateServerStandIn::Delivery::Whole);
    const QByteArray newer = "[1.2.3]\nurl=https://127.0.0.1/x.sh\n";
    QTest::newRow("same version") << 200 << QByteArray("[1.0.0]\nurl=x") << whole << "" << int(UpToDate)
                                  << "Halvetta Linkora is up to date.";
    QTest::newRow("newer") << 200 << newer << whole << "" << int(Confirmation)
                           << "Version 1.2.3 found.\nYou have 1.0.0.\nDo you want to update now?";
    QTest::newRow("older is offered too")
        << 200 << QByteArray("[0.9.0]\nurl=x") << whole << "" << int(Confirmation)
        << "Version 0.9.0 found.\nYou have 1.0.0.\nDo you want to update now?";
    QTest::newRow("version as markup stays text")
        << 200 << QByteArray("[<b>2</b>]\nurl=x") << whole << "" << int(Confirmation)
        << "Version <b>2</b> found.\nYou have 1.0.0.\nDo you want to update now?";
    QTest::newRow("empty version") << 200 << QByteArray("[]\nurl=x") << whole << "" << int(UpToDate)
                                   << "Halvetta Linkora is up to date.";
    QTest::newRow("invalid file") << 200 << QByteArray("1.2.3\nurl=x") << whole << "" << int(UpToDate)
                                  << "Halvetta Linkora is up to date.";
    QTest::newRow("empty file") << 200 << QByteArray() << whole << "" << int(Nothing) << "";
    QTest::newRow("unexpected status") << 204 << QByteArray() << whole << "" << int(Nothing) << "";
    QTest::newRow("not found") << 404 << QByteArray("gone") << whole << "" << int(Error) << "Not Found";
    QTest::newRow("no server") << 200 << newer << whole << "nobody" << int(Error) << "Connection refused";
    QTest::newRow("endless answer") << 200 << QByteArray() << int(UpdateServerStandIn::Delivery::Endless)
                                    << "" << int(Error) << "the version file";
    QTest::newRow("stalled answer") << 200 << newer << int(UpdateServerStandIn::Delivery::Stall) << ""
                                    << int(Error) << "no whole version file within 1500 ms";
    QTest::newRow("short answer") << 200 << newer << int(UpdateServerStandIn::Delivery::Short) << ""
                                  << int(Error) << "closed";
    QTest::newRow("redirect followed") << 200 << newer << whole << "next" << int(Confirmation)
                                       << "Version 1.2.3 found.\nYou have 1.0.0.\nDo you want to update now?";
    QTest::newRow("redirect loop") << 200 << newer << whole << "self" << int(Error) << "Too many redirects";
    QTest::newRow("redirect to http") << 200 << newer << whole << "http" << int(Error) << "Insecure redirect";
}

void TestUpdater::menuCheckAnswers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, delivery);
    QFETCH(QString, redirect);
    QFETCH(int, outcome);
    QFETCH(QString, shown);

    UpdateRig rig;
    QVERIFY(rig.ready);
    // Short only where the stall is the point: TLS under a sanitizer on a busy machine is slow.
    rig.updater.setVersionFileLimits(
        Updater::DefaultVersionFileLimit,
        UpdateServerStandIn::Delivery(delivery) == UpdateServerStandIn::Delivery::Stall ? 1500 : 20000);
    const QString path = QString::fromLatin1(UpdateRig::VersionPath);
    UpdateServerStandIn::Answer answer {status, {}, body, UpdateServerStandIn::Delivery(delivery)};
    if (redirect == QLatin1String("self")) {
        rig.server.redirect(path, rig.server.url(path));
    } else if (redirect == QLatin1String("http")) {
        rig.server.redirect(path, rig.server.plainUrl(QStringLiteral("/next.txt")));
    } else if (redirect == QLatin1String("nobody")) {
        QUrl closed(rig.versionUrl());
        closed.setPort(1);
        rig.askForVersionAt(closed.toString());
    } else if (redirect == QLatin1String("next")) {
        rig.server.redirect(path, QStringLiteral("/next.txt")); // relative
        rig.server.serve(QStringLiteral("/next.txt"), answer);
    } else {
        rig.server.serve(path, answer);
    }
    QSignalSpy noUpdate(&rig.updater, &Updater::noUpdateFound);
    MessageCatcher messages;

    rig.updater.startCheckForUpdatesWithUI();
    QTRY_COMPARE_WITH_TIMEOUT(managers(rig.updater), 0, UpdateRig::Patience);
    if (outcome == Nothing) {
        QTest::qWait(50);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(noUpdate.count(), 1);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
    QVERIFY(rig.dialog->isModal());
    QCOMPARE(rig.page(), outcome == Confirmation ? 0 : 2);
    if (outcome == Error) {
        // What failed is the check, with its reason; nothing was downloaded.
        const QString text = rig.information();
        QVERIFY2(text.startsWith(QStringLiteral("The check for updates failed: ")), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral(".\nPlease check your internet connection, and try again.")),
                 qPrintable(text));
        QVERIFY2(text.contains(shown), qPrintable(text));
        QVERIFY(messages.contains(QStringLiteral("[WRN] Error occurred while checking for updates")));
    } else {
        QCOMPARE(outcome == Confirmation ? rig.question() : rig.information(), shown);
    }
    QCOMPARE(noUpdate.count(), outcome == Confirmation ? 0 : 1);
    if (redirect == QLatin1String("self"))
        QCOMPARE(rig.server.requestsFor(path), 1 + 10);
    // An endless answer is cut off early: what the server got out is the
    // client's bounded read buffer plus what the loopback socket buffers hold.
    QVERIFY2(rig.server.bytesSent() < 8 * 1024 * 1024, qPrintable(QString::number(rig.server.bytesSent())));
}

void TestUpdater::plainVersionAddressIsAskedOverHttps()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl());
    // The stand-in speaks TLS only: the request reaches it only over https.
    rig.updater.requestGetUrl(QUrl(rig.server.plainUrl(QString::fromLatin1(UpdateRig::VersionPath))));
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
    QCOMPARE(rig.server.requestLines(), QStringList {QStringLiteral("GET ") + UpdateRig::VersionPath});
    QCOMPARE(rig.page(), 0);
}

void TestUpdater::otherSchemesAreRefusedWithoutARequest()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    const QString local = TestEnvironment::freshDirectory(QStringLiteral("file")) + QStringLiteral("/v.txt");
    QFile file(local);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[9.9.9]\nurl=https://127.0.0.1/x.sh\n");
    file.close();
    QSignalSpy noUpdate(&rig.updater, &Updater::noUpdateFound);
    MessageCatcher messages;

    for (const QUrl &url :
         {QUrl::fromLocalFile(local), QUrl(QStringLiteral("ftp://127.0.0.1/v.txt")), QUrl()})
        rig.updater.requestGetUrl(url);
    QCOMPARE(noUpdate.count(), 3);
    QCOMPARE(managers(rig.updater), 0);
    QVERIFY(!rig.dialog->isVisible());
    QVERIFY(messages.contains(QStringLiteral("not an https address")));
}

void TestUpdater::startupArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("requests");
    QTest::newRow("-updateurl") << QStringList {QStringLiteral("-updateurl"), QStringLiteral("URL")} << 1;
    QTest::newRow("-updateurl over plain http")
        << QStringList {QStringLiteral("-noupdate"), QStringLiteral("-updateurl"), QStringLiteral("PLAIN")}
        << 1;
    QTest::newRow("-noupdate") << QStringList {QStringLiteral("-noupdate")} << 0;
    QTest::newRow("automatic") << QStringList() << 1;
}

void TestUpdater::startupArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, requests);
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.0.0"), rig.installerUrl());
    const QString path = QString::fromLatin1(UpdateRig::VersionPath);
    arguments.replaceInStrings(QStringLiteral("PLAIN"), rig.server.plainUrl(path));
    arguments.replaceInStrings(QStringLiteral("URL"), rig.server.url(path));
    QSignalSpy noUpdate(&rig.updater, &Updater::noUpdateFound);

    Startup::handleUpdateArguments(QStringList {QStringLiteral("linkora")} + arguments, &rig.updater);
    QVERIFY(automaticCheckTimePassed());
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.requestLines().size(), requests, UpdateRig::Patience);
    QTRY_COMPARE_WITH_TIMEOUT(noUpdate.count(), requests, UpdateRig::Patience);
    // Only a menu check shows "up to date".
    QVERIFY(!rig.dialog->isVisible());
}

void TestUpdater::disabledAutomaticCheckReportsNoUpdateAndSendsNothing()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.updater.setEnabled(false);
    QSignalSpy noUpdate(&rig.updater, &Updater::noUpdateFound);

    rig.updater.startCheckAndUpdateAutomatically();
    QCOMPARE(noUpdate.count(), 1);
    // Without a network manager nothing can be on its way.
    QCOMPARE(managers(rig.updater), 0);
    QVERIFY(rig.server.requestLines().isEmpty());
}

void TestUpdater::menuCheckWhileTheDialogIsShownOnlyRaisesIt()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl());
    rig.updater.startCheckForUpdatesWithUI();
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
    QCOMPARE(rig.server.requestLines().size(), 1);

    rig.updater.startCheckForUpdatesWithUI();
    QCOMPARE(managers(rig.updater), 0);
    QCOMPARE(rig.server.requestLines().size(), 1);
    QCOMPARE(rig.page(), 0);
}

void TestUpdater::menuCheckNeedsFreeDiskSpace_data()
{
    QTest::addColumn<qint64>("megabytes");
    QTest::addColumn<bool>("checks");
    QTest::newRow("169") << qint64(169) << false;
    QTest::newRow("170") << qint64(170) << true;
    QTest::newRow("unknown") << qint64(-1) << false;
}

void TestUpdater::menuCheckNeedsFreeDiskSpace()
{
    QFETCH(qint64, megabytes);
    QFETCH(bool, checks);
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.0.0"), rig.installerUrl());
    rig.disk.bytesFree = megabytes < 0 ? -1 : megabytes * 1024 * 1024;
    PromptCatcher prompts;

    rig.updater.startCheckForUpdatesWithUI();
    if (checks) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
        QVERIFY(prompts.titles.isEmpty());
        return;
    }
    QCOMPARE(prompts.titles, QStringList {QStringLiteral("Not enough disk space")});
    QCOMPARE(prompts.texts,
             QStringList {
                 QStringLiteral("There is not enough free disk space. Free some disk space and try again.")});
    QTest::qWait(100);
    QVERIFY(rig.server.requestLines().isEmpty());
}

void TestUpdater::idleCheck_data()
{
    QTest::addColumn<qint64>("idleMinutes");
    QTest::addColumn<bool>("inCall");
    QTest::addColumn<bool>("canUpdate");
    QTest::newRow("59 minutes") << qint64(59) << false << false;
    QTest::newRow("an hour") << qint64(60) << false << true;
    QTest::newRow("an hour in a call") << qint64(60) << true << false;
    QTest::newRow("unknown") << qint64(-1) << false << false;
}

void TestUpdater::idleCheck()
{
    QFETCH(qint64, idleMinutes);
    QFETCH(bool, inCall);
    QFETCH(bool, canUpdate);
    Phone *phone = ObjFactory::instance()->phone();
    if (inCall)
        QVERIFY(startCall(phone));
    TestClock clock;
    if (idleMinutes < 0) {
        // Nothing watches the user's input.
        delete qApp->findChild<UserActivity *>();
    } else {
        UserActivity::watch();
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_A);
        clock.advance(idleMinutes * 60 * 1000 + 999);
    }

    const UpdaterHelper helper;
    QCOMPARE(helper.canUpdateAutomatically(), canUpdate);
    // The gate stays shut: an idle tick never starts a check.
    QVERIFY(!helper.autoUpdateEnabled());
    QVERIFY(helper.shouldUpdate(QStringLiteral("1.0.0"), QStringLiteral("1.0.0 ")));
    QVERIFY(helper.shouldUpdate(QStringLiteral("1.0.0-b"), QStringLiteral("1.0.0-B")));
    QVERIFY(!helper.shouldUpdate(QStringLiteral("1.0.0"), QStringLiteral("1.0.0")));
    QVERIFY(!helper.shouldUpdate(QStringLiteral("1.0.0"), QString()));

    if (inCall) {
        phone->hangup();
        QTRY_VERIFY(!phone->currentCall());
        phone->logout();
        QTRY_VERIFY(!phone->isConnected());
    }
}

void TestUpdater::userInputRestartsTheIdleClock()
{
    TestClock clock;
    UserActivity::watch();
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_A);
    clock.advance(90000);
    QCOMPARE(UserActivity::idleMilliseconds(), qint64(90000));
    QTest::keyClick(&window, Qt::Key_A);
    QCOMPARE(UserActivity::idleMilliseconds(), qint64(0));
    clock.advance(120);
    QTest::mouseMove(&window, QPoint(5, 5));
    QCOMPARE(UserActivity::idleMilliseconds(), qint64(0));
}

void TestUpdater::unknownVolumeHasNoFreeSpace()
{
    QCOMPARE(getFreeDiskSpaceInMegabytes(TestEnvironment::root() + QStringLiteral("/no/such/folder")),
             qint64(-1));
    QVERIFY(getFreeDiskSpaceInMegabytes(TestEnvironment::root()) >= 0);
}

LINKORA_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"
