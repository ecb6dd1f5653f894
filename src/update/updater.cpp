#include "updater.h"

#include "ui/messageprompt.h"
#include "update/updaterdialog.h"
#include "update/updaterhelper.h"
#include "update/updatetransport.h"
#include "update/useractivity.h"
#include "util/cappedreply.h"
#include "util/trace.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kIdleCheckIntervalMs = 300000;

} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent)
    , m_idleTimer(new QTimer(this))
{
    UserActivity::watch();
    m_idleTimer->setInterval(kIdleCheckIntervalMs);
    connect(m_idleTimer, &QTimer::timeout, this, &Updater::onCheckIdleTime);
    m_idleTimer->start();
}

Updater::~Updater() = default;

void Updater::setUpdaterDialog(UpdaterDialog *dialog)
{
    if (m_updaterDialog.get() != dialog)
        m_updaterDialog.reset(dialog);
}

void Updater::setUpdaterHelper(UpdaterHelper *helper)
{
    if (m_updaterHelper.get() != helper)
        m_updaterHelper.reset(helper);
}

void Updater::setVersionFileLimits(qint64 maxBytes, int deadlineMs)
{
    m_versionFileLimit = maxBytes;
    m_versionFileDeadline = deadlineMs;
}

void Updater::startCheckForUpdates()
{
    m_automatic = false;
    m_withUI = false;
    startCheck();
}

void Updater::startCheckForUpdatesWithUI()
{
    if (m_updaterDialog && m_updaterDialog->isVisible()) {
        m_updaterDialog->raise();
        m_updaterDialog->activateWindow();
        return;
    }
    if (m_updaterHelper && m_updaterHelper->hasEnoughFreeDiskSpace()) {
        m_automatic = false;
        m_withUI = true;
        startCheck();
        return;
    }
    MessagePrompt::Request warning;
    warning.icon = QMessageBox::Warning;
    warning.title = tr("Not enough disk space");
    warning.text = tr("There is not enough free disk space. Free some disk space and try again.");
    warning.buttons = QMessageBox::Ok;
    warning.defaultButton = QMessageBox::NoButton;
    MessagePrompt::show(warning);
}

void Updater::startCheckAndUpdateAutomatically()
{
    if (!m_enabled) {
        TRACE << "-noupdate parameter.";
        emit noUpdateFound();
        return;
    }
    m_automatic = true;
    m_withUI = false;
    startCheck();
}

void Updater::closeDialog()
{
    if (m_updaterDialog)
        m_updaterDialog->stopUpdate();
}

void Updater::startCheck()
{
    if (!m_updaterHelper) {
        TRACE_WARNING << "No version file address to check.";
        return;
    }
    requestGetUrl(QUrl(m_updaterHelper->updateUrl()));
}

void Updater::requestGetUrl(const QUrl &url)
{
    // Whoever sits on the path of a plain request could name any installer.
    QUrl secureUrl = url;
    if (secureUrl.scheme() == QLatin1String("http")) {
        secureUrl.setScheme(QStringLiteral("https"));
        TRACE << "Asking over https:" << secureUrl.toString();
    }
    if (!UpdateTransport::isSecure(secureUrl)) {
        failCheck(QStringLiteral("the version file address is not an https address: ")
                  + url.toDisplayString());
        return;
    }

    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &Updater::onUpdateReplyReceived);
    QNetworkReply *reply = manager->get(UpdateTransport::request(secureUrl));
    UpdateTransport::guardRedirects(reply);
    m_failures.insert(reply, QString());
    CappedReply::cap(reply, m_versionFileLimit, [this, reply](const QString &why) {
        m_failures[reply] = QStringLiteral("the version file: ") + why;
        reply->abort();
    });
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this, reply] {
        m_failures[reply] = QStringLiteral("no whole version file within %1 ms").arg(m_versionFileDeadline);
        reply->abort();
    });
    deadline->start(m_versionFileDeadline);
}

void Updater::failCheck(const QString &why)
{
    TRACE << "[WRN] Error occurred while checking for updates: " << why;
    emit noUpdateFound();
    // Nothing was being downloaded: the user learns that the check failed, and why.
    if (m_withUI && m_updaterDialog)
        m_updaterDialog->showCheckFailed(why);
}

void Updater::onUpdateReplyReceived(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
    m_latestVersion.clear();
    m_downloadUrl.clear();

    bool tooLarge = false;
    const QByteArray body = CappedReply::readBody(reply, &tooLarge);
    QString failure = m_failures.take(reply);
    if (failure.isEmpty() && tooLarge)
        failure = QStringLiteral("the version file is longer than %1 bytes").arg(m_versionFileLimit);
    if (failure.isEmpty())
        failure = UpdateTransport::refusal(reply);
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    if (!failure.isEmpty()) {
        failCheck(failure);
        return;
    }

    // Redirects are followed by the network layer (see UpdateTransport).
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        TRACE << "[WRN] Received unexpected status code when checking for updates: " << status;
        emit noUpdateFound();
        return;
    }

    if (body.isEmpty()) {
        TRACE << "[WRN] version data is missing";
        emit noUpdateFound();
        return;
    }

    const UpdateOffer offer = UpdateOffer::parse(body);
    if (!offer.valid) {
        TRACE << "[WRN] there's no update info";
        emit noUpdateFound();
        if (m_withUI && m_updaterDialog)
            m_updaterDialog->showUpToDate();
        return;
    }

    m_latestVersion = offer.version;
    m_downloadUrl = offer.downloadUrl;
    TRACE << "Latest version is " << m_latestVersion << " (current version: " << currentVersion << ")";

    if (m_updaterHelper && m_updaterHelper->shouldUpdate(currentVersion, m_latestVersion)) {
        TRACE << "Update found " << m_latestVersion << m_downloadUrl;
        if (m_updaterDialog) {
            if (m_automatic)
                m_updaterDialog->startAutomaticDownload(m_downloadUrl, m_latestVersion, offer.sha256);
            else
                m_updaterDialog->startConfirmedDownload(m_downloadUrl, m_latestVersion, offer.sha256);
        }
        m_enabled = true;
        return;
    }

    TRACE << "No update found.";
    if (m_withUI && m_updaterDialog)
        m_updaterDialog->showUpToDate();
    emit noUpdateFound();
}

void Updater::onCheckIdleTime()
{
    TRACE << "Checking idle time...";
    if (!m_updaterHelper)
        return;
    // Both are asked on every tick, for their traces.
    const bool enabled = m_updaterHelper->autoUpdateEnabled();
    const bool idle = m_updaterHelper->canUpdateAutomatically();
    if (enabled && idle) {
        TRACE << "Idle time is up: autoupdating!!!";
        startCheckAndUpdateAutomatically();
    }
}
