#include "ui/proxysettingsdialog.h"
#include "ui_proxysettingsdialog.h"

#include "ui/messageprompt.h"

#include <QIntValidator>

namespace {

// The rows of the proxy type list.
enum TypeItem { HttpsItem = 0, SocksItem = 1 };

} // namespace

ProxySettingsDialog::ProxySettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ProxySettingsDialog)
{
    m_ui->setupUi(this);
    // The caller's text, never markup.
    m_ui->messageLabel->setTextFormat(Qt::PlainText);
    m_ui->passwordLineEdit->setEchoMode(QLineEdit::Password);
    connect(m_ui->authCheckBox, &QCheckBox::toggled, this, &ProxySettingsDialog::onAuthRequiredChecked);
    connect(m_ui->okButton, &QPushButton::clicked, this, &ProxySettingsDialog::onOkClicked);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &ProxySettingsDialog::reject);
    onAuthRequiredChecked(false);
    m_ui->portLineEdit->setValidator(new QIntValidator(1, 65535, m_ui->portLineEdit));
}

ProxySettingsDialog::~ProxySettingsDialog() = default;

void ProxySettingsDialog::setMessage(const QString &message)
{
    m_ui->messageLabel->setText(message);
}

void ProxySettingsDialog::setProxySettings(talk::ProxySettings settings)
{
    if (settings.isValid())
        m_settings = settings;

    m_ui->hostnameLineEdit->setText(m_settings.host());
    m_ui->portLineEdit->setText(QString::number(m_settings.port()));
    // Mode 1 is the first item, 2 the second; 0 and 3 select none.
    const int mode = m_settings.mode();
    const bool listed = mode == talk::ProxySettings::Http || mode == talk::ProxySettings::Socks5;
    m_ui->proxyTypeComboBox->setCurrentIndex(listed ? mode - 1 : -1);
    m_ui->authCheckBox->setChecked(m_settings.authEnabled());

    // Credentials only where they are asked for: not into fields that are
    // switched off, where nobody expects a password to sit.
    const bool credentials = settings.authEnabled();
    m_ui->usernameLineEdit->setText(credentials ? settings.username() : QString());
    m_ui->passwordLineEdit->setText(credentials ? settings.password() : QString());
}

talk::ProxySettings ProxySettingsDialog::proxySettings()
{
    return m_settings;
}

void ProxySettingsDialog::onAuthRequiredChecked(bool checked)
{
    m_ui->usernameLabel->setEnabled(checked);
    m_ui->passwordLabel->setEnabled(checked);
    m_ui->usernameLineEdit->setEnabled(checked);
    m_ui->passwordLineEdit->setEnabled(checked);
}

void ProxySettingsDialog::onOkClicked()
{
    m_settings.setHost(m_ui->hostnameLineEdit->text());

    bool portRead = false;
    const int port = m_ui->portLineEdit->text().toInt(&portRead, 10);
    // The field lets a number past the last port stand while it is typed;
    // kept, it would reach the connection cut to 16 bits, another port.
    portRead = portRead && port >= 0 && port <= 65535;
    m_settings.setPort(portRead ? port : 0);
    if (!portRead) {
        refuse(tr("The port number is invalid.\nEnter a number from 1 to 65535 in \"%1\".")
                   .arg(m_ui->portLabel->text()),
               m_ui->portLineEdit);
    }

    // By row rather than by the shown text, which a translation may change.
    switch (m_ui->proxyTypeComboBox->currentIndex()) {
    case HttpsItem:
        m_settings.setMode(talk::ProxySettings::Http);
        break;
    case SocksItem:
        m_settings.setMode(talk::ProxySettings::Socks5);
        break;
    default:
        m_settings.setMode(talk::ProxySettings::NoProxy);
        break;
    }

    const bool auth = m_ui->authCheckBox->isChecked();
    m_settings.setAuthEnabled(auth);
    if (auth) {
        m_settings.setUsername(m_ui->usernameLineEdit->text());
        m_settings.setPassword(m_ui->passwordLineEdit->text());
    }

    // The stored value's rule lets a port stand without a host, for values
    // that name no proxy; a proxy typed here is unusable without one.
    if (!m_settings.isValid() || hostMissing()) {
        refuseInvalid();
        return;
    }
    if (portRead)
        accept();
}

bool ProxySettingsDialog::hostMissing() const
{
    return m_settings.host().trimmed().isEmpty();
}

void ProxySettingsDialog::refuseInvalid()
{
    // The first field, in the order of the form, that is found wanting.
    QString hint;
    QWidget *field = nullptr;
    if (hostMissing()) {
        hint = tr("Enter the proxy's address in \"%1\".").arg(m_ui->hostnameLabel->text());
        field = m_ui->hostnameLineEdit;
    } else if (m_settings.mode() == talk::ProxySettings::NoProxy) {
        hint = tr("Choose %1 or %2 in \"%3\".")
                   .arg(m_ui->proxyTypeComboBox->itemText(HttpsItem),
                        m_ui->proxyTypeComboBox->itemText(SocksItem), m_ui->proxyTypeLabel->text());
        field = m_ui->proxyTypeComboBox;
    } else if (m_settings.username().isEmpty()) {
        hint = tr("Enter your user name for the proxy in \"%1\".").arg(m_ui->usernameLabel->text());
        field = m_ui->usernameLineEdit;
    } else {
        hint = tr("Enter your password for the proxy in \"%1\".").arg(m_ui->passwordLabel->text());
        field = m_ui->passwordLineEdit;
    }
    refuse(tr("The proxy settings you entered are not valid.\n%1").arg(hint), field);
}

void ProxySettingsDialog::refuse(const QString &text, QWidget *field)
{
    MessagePrompt::show({this, QMessageBox::Warning, tr("Proxy Settings Invalid"), text, QMessageBox::Ok,
                         QMessageBox::NoButton});
    field->setFocus(Qt::OtherFocusReason);
}
