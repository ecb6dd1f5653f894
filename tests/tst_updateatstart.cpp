#include "application.h"
#include "objfactory.h"
#include "startup.h"
#include "support/applicationtestmain.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/updateserverstandin.h"
#include "ui/mainwindow.h"
#include "ui/uitesthelpers.h"
#include "update/updater.h"
#include "update/updaterdialog.h"

#include <QPushButton>
#include <QtTest>

namespace {

QPushButton *buttonWithText(const QWidget *dialog, const QString &text)
{
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text && button->isVisible())
            return button;
    }
    return nullptr;
}

} // namespace

// A start with "-updateurl" and a quick update server: the offer shows with
// the splash screen, before the main window exists, and is answered there.
class TestUpdateAtStart : public QObject
{
    Q_OBJECT

private slots:
    void offerAnsweredDuringTheSplashKeepsTheProgram();
};

void TestUpdateAtStart::offerAnsweredDuringTheSplashKeepsTheProgram()
{
    TestTls::trustAuthority();
    UpdateServerStandIn server;
    QVERIFY(server.listen());
    server.serveFile(QStringLiteral("/v.txt"),
                     "[9.9.9]\r\nurl=" + server.url(QStringLiteral("/LinkoraSetup-9.9.9.exe")).toLatin1()
                         + "\r\n");

    // As main() does.
    Application *app = Application::instance();
    app->initialize();
    Updater *updater = ObjFactory::instance()->updater();
    Startup::handleUpdateArguments(
        {QStringLiteral("linkora"), QStringLiteral("-updateurl"), server.url(QStringLiteral("/v.txt"))},
        updater);

    UpdaterDialog *dialog = updater->updaterDialog();
    bool beforeTheWindow = false;
    UiTesting::ScriptedUser user;
    const QString later = QStringLiteral("Remind Me Later");
    user.then(
        later, [&] { return dialog->isVisible() && buttonWithText(dialog, later); },
        [&] {
            beforeTheWindow = !app->mainWindow();
            QTest::mouseClick(buttonWithText(dialog, later), Qt::LeftButton);
        });
    // Still running a moment after the login view came.
    user.then(
        QStringLiteral("login view"), [&] { return app->mainWindow() && app->mainWindow()->isVisible(); },
        [] { QTimer::singleShot(300, [] { QCoreApplication::exit(UiTesting::kStillRunning); }); });

    QCOMPARE(UiTesting::runProgramLoop(20000), UiTesting::kStillRunning);
    QVERIFY2(user.waitingFor().isEmpty(), qPrintable(user.waitingFor()));
    QCOMPARE(server.requestsFor(QStringLiteral("/v.txt")), 1);
    if (!beforeTheWindow)
        QSKIP("The offer came after the main window: this start could not tell.");
}

LINKORA_APPLICATION_TEST_MAIN(TestUpdateAtStart)

#include "tst_updateatstart.moc"
