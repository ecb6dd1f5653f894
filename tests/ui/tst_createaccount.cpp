#include "objfactory.h"
#include "rest/restmanager.h"
#include "settings/homeurls.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "support/webservicestandin.h"
#include "ui/createaccountdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

// Answers every message box with Ok and remembers what it said.
class MessageBoxDriver : public QObject
{
public:
    MessageBoxDriver()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            titles << box->windowTitle();
            texts << box->text();
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(10);
    }

    QStringList titles;
    QStringList texts;

private:
    QTimer m_timer;
};

const QStringList kLabels
    = {QStringLiteral("emailLabel"), QStringLiteral("passwordLabel"), QStringLiteral("passwordConfirmLabel"),
       QStringLiteral("firstNameLabel"), QStringLiteral("lastNameLabel")};

struct Form
{
    QString email = QStringLiteral("ann.lee@example.com");
    QString password = QStringLiteral("s3cret pass");
    QString confirmation = QStringLiteral("s3cret pass");
    QString firstName = QStringLiteral("Ann");
    QString lastName = QStringLiteral("Lee");
};

void fill(CreateAccountDialog &dialog, const Form &form)
{
    const auto set = [&dialog](const char *name, const QString &text) {
        dialog.findChild<QLineEdit *>(QLatin1String(name))->setText(text);
    };
    set("emailLineEdit", form.email);
    set("passwordLineEdit", form.password);
    set("passwordConfirmLineEdit", form.confirmation);
    set("firstNameLineEdit", form.firstName);
    set("lastNameLineEdit", form.lastName);
}

void clickCreate(CreateAccountDialog &dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("createButton")), Qt::LeftButton);
}

QLabel *errorLine(const CreateAccountDialog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("errorLabel"));
}

// The labels marked invalid, in form order.
QStringList invalidLabels(const CreateAccountDialog &dialog)
{
    QStringList invalid;
    for (const QString &name : kLabels) {
        const QVariant mark = dialog.findChild<QLabel *>(name)->property("_invalid");
        if (!mark.isValid())
            invalid << name + QStringLiteral("(unmarked)");
        else if (mark.toBool())
            invalid << name;
    }
    return invalid;
}

} // namespace

class TestCreateAccount : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void emptyFormListsEveryField();
    void fieldChecks_data();
    void fieldChecks();
    void validAfterInvalidSendsTheAccount();
    void acceptedAccountIsAnnounced();
    void refusalShowsTheReason_data();
    void refusalShowsTheReason();

private:
    QList<WebserviceStandIn::Request> accountPuts() const;

    WebserviceStandIn m_server;
};

void TestCreateAccount::initTestCase()
{
    TalkTesting::useStandIn();
    QVERIFY(m_server.listen());
    ObjFactory::setWebserviceBaseUrl(m_server.baseUrl());
    QVERIFY(ObjFactory::instance()->phone());
    UiLook::install();
}

void TestCreateAccount::init()
{
    m_server.clearRequests();
    m_server.clearSteering();
}

QList<WebserviceStandIn::Request> TestCreateAccount::accountPuts() const
{
    QList<WebserviceStandIn::Request> puts;
    const auto requests = m_server.requests();
    for (const WebserviceStandIn::Request &request : requests) {
        if (request.resource == QStringLiteral("account") && request.method == "PUT")
            puts << request;
    }
    return puts;
}

void TestCreateAccount::emptyFormListsEveryField()
{
    CreateAccountDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Create Account"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(errorLine(dialog)->isHidden());
    QCOMPARE(invalidLabels(dialog).size(), 5); // all unmarked before the first check

    clickCreate(dialog);
    QCOMPARE(errorLine(dialog)->text(),
             QStringLiteral("The following fields are invalid: Email, Password, "
                            "Retype Password, First Name, Last Name"));
    QVERIFY(errorLine(dialog)->isVisible());
    QCOMPARE(invalidLabels(dialog), kLabels);
    QVERIFY(!dialog.isWaitingForAnswer());
    QVERIFY(dialog.grab().save(UiLook::screenshotPath(QStringLiteral("createaccount-invalid.png"))));

    QTest::qWait(50);
    QVERIFY(accountPuts().isEmpty());
}

void TestCreateAccount::fieldChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure");

    const QString email = QStringLiteral("Email");
    QTest::newRow("email ok") << "email"
                              << "ann.lee@example.com" << QString();
    QTest::newRow("email upper case") << "email"
                                      << "ANN.LEE@EXAMPLE.COM" << QString();
    QTest::newRow("email four-letter end") << "email"
                                           << "ann@mail.info" << QString();
    QTest::newRow("email without dot") << "email"
                                       << "ann@example" << email;
    QTest::newRow("email one-letter end") << "email"
                                          << "ann@example.c" << email;
    QTest::newRow("email five-letter end") << "email"
                                           << "ann@example.museum" << email;
    QTest::newRow("email leading blank") << "email"
                                         << " ann@example.com" << email;
    QTest::newRow("email trailing blank") << "email"
                                          << "ann@example.com " << email;
    QTest::newRow("email two at signs") << "email"
                                        << "ann@lee@example.com" << email;
    QTest::newRow("retype differs in case") << "confirmation"
                                            << "S3cret pass"
                                            << "Retype Password";
    QTest::newRow("password of blanks") << "both passwords"
                                        << "   " << QString();
    QTest::newRow("first name of blanks") << "firstName"
                                          << "   "
                                          << "First Name";
    QTest::newRow("last name empty") << "lastName"
                                     << ""
                                     << "Last Name";
    QTest::newRow("names with blanks around") << "firstName"
                                              << "  Ann  " << QString();
}

void TestCreateAccount::fieldChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, failure);

    Form form;
    if (field == QStringLiteral("email"))
        form.email = text;
    else if (field == QStringLiteral("confirmation"))
        form.confirmation = text;
    else if (field == QStringLiteral("both passwords"))
        form.password = form.confirmation = text;
    else if (field == QStringLiteral("firstName"))
        form.firstName = text;
    else if (field == QStringLiteral("lastName"))
        form.lastName = text;

    CreateAccountDialog dialog;
    dialog.show();
    fill(dialog, form);
    clickCreate(dialog);
    if (failure.isEmpty()) {
        QVERIFY(errorLine(dialog)->isHidden());
        QVERIFY(invalidLabels(dialog).isEmpty());
        QVERIFY(dialog.isWaitingForAnswer());
    } else {
        QCOMPARE(errorLine(dialog)->text(), QStringLiteral("The following fields are invalid: ") + failure);
        QCOMPARE(invalidLabels(dialog).size(), 1);
        QVERIFY(!dialog.isWaitingForAnswer());
    }
    // Let the answer to a sent form arrive while the dialog still exists.
    if (dialog.isWaitingForAnswer()) {
        MessageBoxDriver boxes;
        QTRY_VERIFY(!dialog.isWaitingForAnswer());
    }
}

void TestCreateAccount::validAfterInvalidSendsTheAccount()
{
    CreateAccountDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form form;
    form.firstName = QStringLiteral(" Ann ");
    form.lastName = QString();
    fill(dialog, form);
    clickCreate(dialog);
    QCOMPARE(invalidLabels(dialog), QStringList {QStringLiteral("lastNameLabel")});
    const int grownHeight = dialog.height();

    form.lastName = QStringLiteral("Lee ");
    form.email = QStringLiteral("sent@example.com");
    fill(dialog, form);
    m_server.delayNext(300, {QStringLiteral("account"), "PUT"});
    clickCreate(dialog);
    QVERIFY(errorLine(dialog)->isHidden());
    QVERIFY(invalidLabels(dialog).isEmpty());
    QCOMPARE(dialog.height(), grownHeight);
    QVERIFY(dialog.isWaitingForAnswer());
    QVERIFY(dialog.isVisible());

    QTRY_COMPARE(accountPuts().size(), 1);
    const QJsonObject body = accountPuts().first().json().object();
    QCOMPARE(body.value(QStringLiteral("username")).toString(), QStringLiteral("sent@example.com"));
    QCOMPARE(body.value(QStringLiteral("emails")).toArray(), QJsonArray {QStringLiteral("sent@example.com")});
    QCOMPARE(body.value(QStringLiteral("firstName")).toString(), QStringLiteral(" Ann "));
    QCOMPARE(body.value(QStringLiteral("lastName")).toString(), QStringLiteral("Lee "));
    QCOMPARE(body.value(QStringLiteral("password")).toString(), QStringLiteral("s3cret pass"));

    MessageBoxDriver boxes;
    QTRY_VERIFY(!dialog.isWaitingForAnswer());
}

void TestCreateAccount::acceptedAccountIsAnnounced()
{
    CreateAccountDialog dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form form;
    form.email = QStringLiteral("new.customer@example.com");
    fill(dialog, form);
    QVERIFY(dialog.grab().save(UiLook::screenshotPath(QStringLiteral("createaccount.png"))));

    MessageBoxDriver boxes;
    clickCreate(dialog);
    QTRY_COMPARE(accepted.size(), 1);
    QCOMPARE(boxes.titles, QStringList {QStringLiteral("Account created")});
    const QString host = HomeUrls::instance()->homePageURL().host();
    QVERIFY(!host.isEmpty());
    QCOMPARE(boxes.texts.first(),
             QStringLiteral("Your account was created.\nNow please log in to %1 and buy "
                            "credit in order to use Linkora.")
                 .arg(host));
    QVERIFY(m_server.hasAccount(QStringLiteral("new.customer@example.com")));
    QVERIFY(!dialog.isVisible());
}

void TestCreateAccount::refusalShowsTheReason_data()
{
    QTest::addColumn<QString>("steering");
    QTest::addColumn<QString>("reason");

    const QString failed = QStringLiteral("The account could not be created. Please try again later.");
    QTest::newRow("user exists") << "existing"
                                 << "User already exists.";
    QTest::newRow("application error") << "application"
                                       << "Invalid parameters.";
    QTest::newRow("field errors only") << "fields"
                                       << "The service did not accept: emails";
    QTest::newRow("http error") << "http" << failed;
    QTest::newRow("malformed answer") << "malformed" << failed;
}

void TestCreateAccount::refusalShowsTheReason()
{
    QFETCH(QString, steering);
    QFETCH(QString, reason);

    const WebserviceStandIn::Match put {QStringLiteral("account"), "PUT"};
    Form form;
    form.email = QStringLiteral("refused@example.com");
    if (steering == QStringLiteral("existing")) {
        form.email = QStringLiteral("taken@example.com");
        if (!m_server.hasAccount(form.email))
            m_server.addAccount(form.email, QStringLiteral("whatever1"));
    } else if (steering == QStringLiteral("application")) {
        m_server.answerNextWithApplicationError(QStringLiteral("Invalid parameters."),
                                                {{QStringLiteral("emails"), QStringLiteral("invalid")}}, put);
    } else if (steering == QStringLiteral("fields")) {
        m_server.answerNextWithApplicationError(QString(),
                                                {{QStringLiteral("emails"), QStringLiteral("invalid")}}, put);
    } else if (steering == QStringLiteral("http")) {
        m_server.answerNextWithStatus(500, put);
    } else {
        m_server.answerNextWithMalformedBody(put);
    }

    CreateAccountDialog dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    fill(dialog, form);
    MessageBoxDriver boxes;
    clickCreate(dialog);
    QTRY_VERIFY(!dialog.isWaitingForAnswer());

    QCOMPARE(errorLine(dialog)->text(), reason);
    QVERIFY(errorLine(dialog)->isVisible());
    QVERIFY(boxes.titles.isEmpty());
    QVERIFY(accepted.isEmpty());
    QVERIFY(dialog.isVisible());
    // The fields stay for another try.
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("emailLineEdit"))->text(), form.email);
    if (steering == QStringLiteral("existing"))
        QVERIFY(dialog.grab().save(UiLook::screenshotPath(QStringLiteral("createaccount-refused.png"))));
}

LINKORA_TEST_MAIN(TestCreateAccount)
#include "tst_createaccount.moc"
