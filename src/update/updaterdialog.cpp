#include "updaterdialog.h"

#include "objfactory.h"
#include "settings/settings.h"
#include "talk/proxysettings.h"
#include "ui/proxysettingsdialog.h"
#include "ui_updaterdialog.h"
#include "update/updatetransport.h"
#include "util/privatefolder.h"
#include "util/trace.h"

#include <QAuthenticator>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

enum Page { ConfirmationPage = 0, ProgressPage = 1, InformationPage = 2 };

constexpr qint64 kReadChunk = 64 * 1024;
// What Qt may hold unread while the disk catches up.
constexpr qint64 kReadBufferSize = 1024 * 1024;

const QStringList &installerSwitches()
{
    static const QStringList switches {QStringLiteral("/minimal"), QStringLiteral("/desktopicon=1"),
                                       QStringLiteral("/starticon=1")};
    return switches;
}

// Lets a word too long for the dialog's width wrap anywhere, not only at
// blanks: an offered version may be one long word.
QString breakable(const QString &text, const QFontMetrics &metrics, int width)
{
    QStringList words = text.split(QLatin1Char(' '));
    for (QString &word : words) {
        if (metrics.horizontalAdvance(word) <= width)
            continue;
        QString broken;
        for (const QChar c : word) {
            broken += c;
            if (!c.isHighSurrogate())
                broken += QChar(0x200B); // zero width space
        }
        word = broken;
    }
    return words.join(QLatin1Char(' '));
}

qint64 freeBytes(const QString &folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}

} // namespace

UpdaterDialog::UpdaterDialog(QWidget *parent)
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint)
    , m_form(std::make_unique<Ui::UpdaterDialog>())
    , m_stallTimer(new QTimer(this))
    , m_launcher([](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    })
    , m_freeSpace(freeBytes)
    , m_proxySettings([] { return ObjFactory::instance()->settings()->proxySettings(); })
{
    m_form->setupUi(this);
    // The version comes from the server.
    m_form->updateMessageLabel->setTextFormat(Qt::PlainText);
    m_form->informationLabel->setTextFormat(Qt::PlainText);
    setFixedSize(425, 160);
    m_form->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Update Now"));
    m_form->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Remind Me Later"));
    // Sized with the style sheet's font, not the plain one.
    for (QAbstractButton *button : m_form->buttonBox->buttons()) {
        button->ensurePolished();
        button->setMinimumWidth(button->sizeHint().width());
    }
    connect(m_form->buttonBox->button(QDialogButtonBox::Ok), &QPushButton::clicked, this,
            qOverload<>(&UpdaterDialog::startDownload));
    connect(m_form->buttonBox->button(QDialogButtonBox::Cancel), &QPushButton::clicked, this,
            &UpdaterDialog::checkLater);
    connect(m_form->okButton, &QPushButton::clicked, this, &UpdaterDialog::onOkButtonClicked);

    m_stallTimer->setSingleShot(true);
    m_stallTimer->setInterval(DefaultStallTimeout);
    connect(m_stallTimer, &QTimer::timeout, this, [this] {
        fail(tr("the download stalled for %1 seconds").arg(m_stallTimer->interval() / 1000.0));
    });
    hide();
}

UpdaterDialog::~UpdaterDialog()
{
    if (m_reply) {
        // Nothing of a half-done download is kept.
        m_reply->disconnect(this);
        m_reply->manager()->disconnect(this);
    }
}

QString UpdaterDialog::installerFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/updates");
}

void UpdaterDialog::setLauncher(Launcher launcher)
{
    m_launcher = std::move(launcher);
}

void UpdaterDialog::setFreeSpace(FreeSpace freeSpace)
{
    m_freeSpace = std::move(freeSpace);
}

void UpdaterDialog::setProxySettingsSource(ProxySettingsSource source)
{
    m_proxySettings = std::move(source);
}

void UpdaterDialog::setInstallerFolder(const QString &folder)
{
    m_installerFolder = folder;
}

void UpdaterDialog::setLimits(qint64 maxInstallerSize, int stallTimeoutMs)
{
    m_maxInstallerSize = maxInstallerSize;
    m_stallTimer->setInterval(stallTimeoutMs);
}

void UpdaterDialog::startConfirmedDownload(const QString &url, const QString &version,
                                           const QByteArray &sha256)
{
    if (takeRequest(false, url, version, sha256))
        showConfirmation();
}

void UpdaterDialog::startAutomaticDownload(const QString &url, const QString &version,
                                           const QByteArray &sha256)
{
    handOver(true, url, version, sha256);
}

void UpdaterDialog::startDownload(const QString &url, const QString &version, const QByteArray &sha256)
{
    handOver(false, url, version, sha256);
}

void UpdaterDialog::handOver(bool automatic, const QString &url, const QString &version,
                             const QByteArray &sha256)
{
    if (takeRequest(automatic, url, version, sha256))
        startDownload();
}

bool UpdaterDialog::takeRequest(bool automatic, const QString &url, const QString &version,
                                const QByteArray &sha256)
{
    m_automatic = automatic;
    if (m_running) {
        TRACE << "Update already running";
        return false;
    }
    m_downloadUrl = url;
    m_expectedSha256 = sha256;
    setVersion(version);
    return true;
}

void UpdaterDialog::setVersion(const QString &version)
{
    m_version = version;
    if (version.isEmpty()) {
        TRACE << "version is empty";
        return;
    }
    QLabel *label = m_form->updateMessageLabel;
    label->ensurePolished();
    const QMargins margins = layout()->contentsMargins();
    const QString shown
        = breakable(version, label->fontMetrics(), width() - margins.left() - margins.right());
    label->setText(tr("Version %1 found.\nYou have %2.\nDo you want to update now?")
                       .arg(shown, QCoreApplication::applicationVersion()));
    m_form->noteLabel->setText(
        tr("Please note that %1 will need to restart, so any calls in progress will be interrupted.")
            .arg(QCoreApplication::applicationName()));
}

void UpdaterDialog::showConfirmation()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    m_form->stackedWidget->setCurrentIndex(ConfirmationPage);
    fitHeight(180);
    setModal(true);
    show();
}

void UpdaterDialog::showUpToDate()
{
    inform(tr("%1 is up to date.").arg(QCoreApplication::applicationName()));
}

void UpdaterDialog::showError(const QString &error)
{
    if (m_automatic) {
        reject();
        return;
    }
    const QString detail = error.isEmpty() ? QString() : QStringLiteral("\n(") + error + QStringLiteral(")");
    inform(tr("An error occurred while downloading update: %1.\nPlease check your "
              "internet connection, and try again.")
               .arg(detail));
}

void UpdaterDialog::showCheckFailed(const QString &reason)
{
    inform(tr("The check for updates failed: %1.\nPlease check your internet connection, and try again.")
               .arg(reason));
}

void UpdaterDialog::inform(const QString &text)
{
    // Modality changes only take effect on a hidden window.
    if (!isModal())
        hide();
    setModal(true);
    m_form->stackedWidget->setCurrentIndex(InformationPage);
    m_form->informationLabel->setText(text);
    fitHeight(140);
    show();
}

void UpdaterDialog::fitHeight(int least)
{
    // The width is fixed and the texts wrap: the page grows to show them whole.
    ensurePolished();
    QLayout *page = m_form->stackedWidget->currentWidget()->layout();
    const QMargins margins = layout()->contentsMargins();
    const int width = this->width() - margins.left() - margins.right();
    page->activate();
    const int needed = page->hasHeightForWidth() ? page->heightForWidth(width) : page->sizeHint().height();
    setFixedHeight(qMax(least, needed + margins.top() + margins.bottom()));
}

void UpdaterDialog::stopUpdate()
{
    if (!m_running)
        return;
    TRACE << "STopping update";
    hide();
    if (m_reply && m_reply->isRunning()) {
        m_cancelled = true;
        m_reply->abort();
    }
}

void UpdaterDialog::checkLater()
{
    if (m_form->stackedWidget->currentIndex() != ConfirmationPage)
        return;
    m_running = false;
    reject();
}

void UpdaterDialog::onOkButtonClicked()
{
    accept();
}

void UpdaterDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void UpdaterDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void UpdaterDialog::startDownload()
{
    if (m_downloadUrl.isEmpty()) {
        TRACE << "download url is empty";
        return;
    }
    if (m_running)
        return;

    // Whoever sits on the path of a plain download could hand us any program.
    const QUrl url(m_downloadUrl);
    if (!UpdateTransport::isSecure(url)) {
        finishWithError(tr("the update is not offered over a secure connection"));
        return;
    }
    // The last piece of the path, decoded, without the query.
    const QString name = url.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        finishWithError(tr("the update address names no file"));
        return;
    }
    // A decoded NUL would cut the name short on disk, and other control
    // characters make names nobody can read.
    if (std::any_of(name.cbegin(), name.cend(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        finishWithError(tr("the update's file name holds control characters"));
        return;
    }
    // Found when needed: the application's name is part of it.
    if (m_installerFolder.isEmpty())
        m_installerFolder = installerFolder();
    QString problem = makeTempDir();
    if (problem.isEmpty())
        problem = initializeTempDir();
    if (!problem.isEmpty()) {
        finishWithError(problem);
        return;
    }
    const qint64 available = m_freeSpace(m_installerFolder);
    if (available < MinimumFreeSpace) {
        TRACE << m_installerFolder << ":" << available << "bytes free";
        finishWithError(tr("there is not enough free disk space for the update"));
        return;
    }
    const QString path = QDir(m_installerFolder).absoluteFilePath(name);
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        TRACE << "ERROR OPENING DEST FILE" << path;
        const QString reason = m_file->errorString();
        m_file.reset();
        finishWithError(tr("cannot write the update: %1").arg(reason));
        return;
    }
    m_hash.reset();
    m_received = 0;
    m_sizeChecked = false;
    m_failure.clear();
    m_cancelled = false;

    auto *manager = new QNetworkAccessManager(this);
    TRACE << "Downloading: " << m_downloadUrl;
    connect(manager, &QNetworkAccessManager::finished, this, &UpdaterDialog::onDownloadFinished);
    connect(manager, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &UpdaterDialog::onProxyAuthRequired);
    m_reply = manager->get(UpdateTransport::request(url));
    UpdateTransport::guardRedirects(m_reply);
    m_reply->setReadBufferSize(kReadBufferSize);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &UpdaterDialog::onDownloadProgress);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdaterDialog::readSome);
    m_stallTimer->start();

    if (isModal())
        hide();
    m_form->stackedWidget->setCurrentIndex(ProgressPage);
    m_form->updateProgressBar->setValue(0);
    setModal(false);
    setFixedHeight(120);
    show();
    m_running = true;
}

void UpdaterDialog::finishWithError(const QString &error)
{
    TRACE_ERROR << "ERROR DOWNLOADING FILE" << error;
    m_running = false;
    showError(error);
}

void UpdaterDialog::readSome()
{
    if (!m_reply || !m_file || !m_failure.isEmpty())
        return;
    m_stallTimer->start();
    while (m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(kReadChunk);
        m_received += chunk.size();
        if (m_received > m_maxInstallerSize) {
            fail(tr("the update is larger than %1").arg(QLocale().formattedDataSize(m_maxInstallerSize)));
            return;
        }
        m_hash.addData(chunk);
        if (m_file->write(chunk) != chunk.size()) {
            fail(tr("cannot write the update: %1").arg(m_file->errorString()));
            return;
        }
    }
    // Qt holds back progress reports that come close together: the bar
    // follows what has arrived.
    const qint64 total = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (total > 0)
        m_form->updateProgressBar->setValue(int(qMin(m_received, total) * 100 / total));
}

void UpdaterDialog::fail(const QString &why)
{
    if (!m_reply || !m_failure.isEmpty())
        return;
    m_failure = why;
    m_reply->abort();
}

void UpdaterDialog::onDownloadProgress(qint64 received, qint64 total)
{
    m_stallTimer->start();
    if (total <= 0) {
        TRACE << "Total is 0 or less" << received << total;
        return;
    }
    m_form->updateProgressBar->setValue(int(received * 100 / total));
    if (!m_sizeChecked) {
        // The announced size, checked once before the body fills the disk.
        m_sizeChecked = true;
        if (total > m_maxInstallerSize) {
            fail(tr("the update is larger than %1").arg(QLocale().formattedDataSize(m_maxInstallerSize)));
            return;
        }
        if (m_freeSpace(m_installerFolder) < qMax(MinimumFreeSpace, 2 * total))
            fail(tr("there is not enough free disk space for the update"));
    }
}

void UpdaterDialog::onProxyAuthRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator)
{
    const talk::ProxySettings settings = m_proxySettings();
    TRACE << "Proxy authentication required: " << proxy.hostName() << proxy.port() << int(proxy.type())
          << Trace::tag(proxy.user()) << (proxy.password().isEmpty() ? QString() : TRACE_PASSWORD_MASK);

    if (!settings.username().isEmpty()) {
        TRACE << "Found user/pass for proxy in settings.";
        authenticator->setUser(settings.username());
        authenticator->setPassword(settings.password());
        return;
    }

    TRACE << "No user/pass found in settings. Asking user for user/pass.";
    auto *dialog = new ProxySettingsDialog(this);
    talk::ProxySettings asked = settings;
    asked.setAuthEnabled(true);
    dialog->setProxySettings(asked);
    dialog->adjustSize();
    // A person typing is not a stalled download.
    m_stallTimer->stop();
    talk::ProxySettings answer;
    do {
        if (dialog->exec() != QDialog::Accepted) {
            dialog->deleteLater();
            reject();
            return;
        }
        answer = dialog->proxySettings();
    } while (answer.username().isEmpty() && answer.password().isEmpty());
    dialog->deleteLater();
    if (m_reply)
        m_stallTimer->start();
    authenticator->setUser(answer.username());
    authenticator->setPassword(answer.password());
}

void UpdaterDialog::onDownloadFinished(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
    m_stallTimer->stop();
    if (reply == m_reply)
        readSome();
    m_reply = nullptr;
    std::unique_ptr<QSaveFile> file = std::move(m_file);

    QString failure = m_failure;
    if (failure.isEmpty())
        failure = UpdateTransport::refusal(reply);
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError) {
        if (m_cancelled) {
            TRACE << "Logging out... cancelled download.";
            if (file)
                file->cancelWriting();
            m_running = false;
            m_cancelled = false;
            return;
        }
        failure = reply->errorString();
    }
    if (failure.isEmpty()) {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() != m_received)
            failure = tr("the download ended after %1 of %2 bytes").arg(m_received).arg(length.toLongLong());
    }
    if (failure.isEmpty() && !m_expectedSha256.isEmpty() && m_hash.result() != m_expectedSha256)
        failure = tr("the downloaded file is not the update that was offered (its SHA-256 differs)");
    if (failure.isEmpty() && (!file || !file->commit()))
        failure = tr("cannot write the update: %1").arg(file ? file->errorString() : QString());

    if (!failure.isEmpty()) {
        TRACE_ERROR << "ERROR DOWNLOADING FILE" << int(reply->error()) << failure;
        if (file)
            file->cancelWriting();
        m_cancelled = false;
        finishWithError(failure);
        return;
    }

    m_running = false;
    m_cancelled = false;
    runDownloadedInstaller(file->fileName());
}

void UpdaterDialog::runDownloadedInstaller(const QString &path)
{
    // Only the owner may run, read or change it.
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        finishWithError(tr("the update could not be made runnable"));
        return;
    }
    TRACE << "Starting" << path << installerSwitches();
    if (!m_launcher(path, installerSwitches())) {
        finishWithError(tr("the update could not be started"));
        return;
    }
    accept();
}

QString UpdaterDialog::makeTempDir()
{
    switch (PrivateFolder::make(m_installerFolder)) {
    case PrivateFolder::None:
        return QString();
    case PrivateFolder::CannotCreate:
        TRACE << "CAN'T CREATE FOLDER" << m_installerFolder;
        return tr("cannot create the folder for the update");
    case PrivateFolder::NotAFolder:
        return tr("the folder for the update is a link or not a folder");
    case PrivateFolder::OtherOwner:
        return tr("the folder for the update belongs to another user");
    case PrivateFolder::CannotClose:
        return tr("the folder for the update cannot be made private");
    }
    return QString();
}

QString UpdaterDialog::initializeTempDir()
{
    // The folder is the updater's alone: whatever is in it is left from an
    // earlier download, named with a dot or not.
    QDir folder(m_installerFolder);
    const QFileInfoList old = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : old) {
        TRACE << "Deleting file" << file.fileName();
        folder.remove(file.fileName());
    }
    return QString();
}
