#include "updater.h"

#include "update/updaterdialog.h"
#include "update/updaterhelper.h"
#include "util/cappedreply.h"
#include "util/trace.h"

#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kIdleCheckIntervalMs = 300000;
// A version file is a few lines.
constexpr qint64 kVersionFileLimit = 64 * 1024;

} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent)
    , m_idleTimer(new QTimer(this))
{
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
    QMessageBox::warning(nullptr, tr("Not enough disk space"),
                         tr("There is not enough free disk space. Free some disk space and try again."),
                         QMessageBox::Ok, QMessageBox::NoButton);
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
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &Updater::onUpdateReplyReceived);
    CappedReply::cap(manager->get(QNetworkRequest(url)), kVersionFileLimit);
}

void Updater::onUpdateReplyReceived(QNetworkReply *reply)
{
    reply->manager()->deleteLater();
    reply->deleteLater();
    m_latestVersion.clear();
    m_downloadUrl.clear();

    TRACE << "Version file reply from" << reply->url().toString() << "status"
          << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() << "error" << reply->error();
    // The version file is not read yet.
    TRACE_NOTIMPL;
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
