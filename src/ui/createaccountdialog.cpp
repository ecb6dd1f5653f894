#include "ui/createaccountdialog.h"
#include "ui_createaccountdialog.h"

#include "objfactory.h"
#include "phone/phone.h"
#include "rest/account.h"
#include "rest/restmanager.h"
#include "settings/homeurls.h"
#include "ui/repolishwidget.h"
#include "util/trace.h"

#include <QMessageBox>
#include <QRegularExpression>

CreateAccountDialog::CreateAccountDialog(QWidget *parent)
    : DialogBase(parent)
    , m_ui(new Ui::CreateAccountDialog)
{
    m_ui->setupUi(contentWidget());
    setTitle(tr("Create Account"));
    connect(m_ui->createButton, &QPushButton::clicked, this, &CreateAccountDialog::onCreateClicked);
    // Phone's accountCreated() says only that an answer came; the answer
    // itself, refusal or not, and a failed request come from the web client.
    RestManager *rest = ObjFactory::instance()->restManager();
    connect(rest, &RestManager::accountCreated, this, &CreateAccountDialog::onAccountAnswer);
    connect(rest, &RestManager::accountRequestFailed, this, [this] { onAccountCreationFailed(QString()); });
    connect(rest, &RestManager::proxyConnectionError, this, [this] { onAccountCreationFailed(QString()); });
}

CreateAccountDialog::~CreateAccountDialog() = default;

void CreateAccountDialog::onCreateClicked()
{
    const QStringList failures = validateData();
    if (!failures.isEmpty()) {
        setErrorText(tr("The following fields are invalid: %1").arg(failures.join(QStringLiteral(", "))));
        return;
    }

    setErrorText(QString());
    Account account;
    account.setEmails({m_ui->emailLineEdit->text()});
    account.setUsername(m_ui->emailLineEdit->text());
    account.setFirstName(m_ui->firstNameLineEdit->text());
    account.setLastName(m_ui->lastNameLineEdit->text());
    account.setPassword(m_ui->passwordLineEdit->text());
    m_waiting = true;
    ObjFactory::instance()->phone()->createAccount(account);
}

QStringList CreateAccountDialog::validateData()
{
    static const QRegularExpression email(
        QRegularExpression::anchoredPattern(QStringLiteral("\\b[A-Z0-9._%+-]+@[A-Z0-9.-]+\\.[A-Z]{2,4}\\b")),
        QRegularExpression::CaseInsensitiveOption);

    QStringList failures;
    validateField(!email.match(m_ui->emailLineEdit->text()).hasMatch(), failures, m_ui->emailLabel,
                  tr("Email"));
    const QString password = m_ui->passwordLineEdit->text();
    validateField(password.isEmpty(), failures, m_ui->passwordLabel, tr("Password"));
    const QString confirmation = m_ui->passwordConfirmLineEdit->text();
    validateField(confirmation.isEmpty() || confirmation != password, failures, m_ui->passwordConfirmLabel,
                  tr("Retype Password"));
    validateField(m_ui->firstNameLineEdit->text().trimmed().isEmpty(), failures, m_ui->firstNameLabel,
                  tr("First Name"));
    validateField(m_ui->lastNameLineEdit->text().trimmed().isEmpty(), failures, m_ui->lastNameLabel,
                  tr("Last Name"));
    return failures;
}

void CreateAccountDialog::validateField(bool failed, QStringList &failures, QLabel *label,
                                        const QString &fieldName)
{
    if (failed)
        failures << fieldName;
    label->setProperty("_invalid", failed);
    repolishWidget(label);
}

// The service answers a refused sign-up with a record that carries the
// reason; only an answer without one is an account.
void CreateAccountDialog::onAccountAnswer(const Account &answer)
{
    if (!m_waiting)
        return;
    if (answer.errorMessage().isEmpty() && answer.fieldErrors().isEmpty()) {
        onAccountCreated();
        return;
    }

    QString reason = answer.errorMessage();
    if (reason.isEmpty()) {
        QStringList fields;
        for (const FieldError &error : answer.fieldErrors())
            fields << error.field;
        reason = tr("The service did not accept: %1").arg(fields.join(QStringLiteral(", ")));
    }
    onAccountCreationFailed(reason);
}

void CreateAccountDialog::onAccountCreationFailed(const QString &reason)
{
    if (!m_waiting)
        return;
    m_waiting = false;
    TRACE << "Account not created:" << reason;
    setErrorText(reason.isEmpty() ? tr("The account could not be created. Please try again later.") : reason);
}

void CreateAccountDialog::onAccountCreated()
{
    m_waiting = false;
    const QString host = HomeUrls::instance()->homePageURL().host();
    QMessageBox::information(this, tr("Account created"),
                             tr("Your account was created.\nNow please log in to %1 and buy credit in order "
                                "to use Linkora.")
                                 .arg(host),
                             QMessageBox::Ok);
    accept();
}
