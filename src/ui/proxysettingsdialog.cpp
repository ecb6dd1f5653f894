#include "ui/proxysettingsdialog.h"
#include "ui_proxysettingsdialog.h"

#include <QIntValidator>
#include <QMessageBox>

namespace {

const QLatin1String kHttpsItem("HTTPS");
const QLatin1String kSocksItem("SOCKS");

} // namespace

ProxySettingsDialog::ProxySettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ProxySettingsDialog)
{
    m_ui->setupUi(this);
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

    m_ui->usernameLineEdit->setText(settings.username());
    m_ui->passwordLineEdit->setText(settings.password());
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
    m_settings.setPort(portRead ? port : 0);
    if (!portRead)
        QMessageBox::warning(this, tr("Proxy Settings Invalid"), tr("The port number is invalid."));

    const QString type = m_ui->proxyTypeComboBox->currentText();
    if (type == kHttpsItem)
        m_settings.setMode(talk::ProxySettings::Http);
    else if (type == kSocksItem)
        m_settings.setMode(talk::ProxySettings::Socks5);
    else
        m_settings.setMode(talk::ProxySettings::NoProxy);

    const bool auth = m_ui->authCheckBox->isChecked();
    m_settings.setAuthEnabled(auth);
    if (auth) {
        m_settings.setUsername(m_ui->usernameLineEdit->text());
        m_settings.setPassword(m_ui->passwordLineEdit->text());
    }

    if (!m_settings.isValid()) {
        QMessageBox::warning(this, tr("Proxy Settings Invalid"),
                             tr("The proxy settings you entered are not valid.\nPlease check them and try "
                                "again"));
        return;
    }
    if (portRead)
        accept();
}
