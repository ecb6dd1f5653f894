#ifndef UPDATERIG_H
#define UPDATERIG_H

#include "support/testdisk.h"
#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/updateserverstandin.h"
#include "talk/proxysettings.h"
#include "update/updater.h"
#include "update/updaterdialog.h"
#include "update/updaterhelper.h"

#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

// The updater and its dialog against the update server stand-in, with a
// fresh private installer folder and a test installer: a script that writes
// the path it was started as and its arguments into a file.
struct UpdateRig
{
    // How long a test waits for what TLS on loopback does in a moment, when
    // sanitizers and other test programs share the machine.
    static constexpr int Patience = 20000;
    static constexpr const char *VersionPath = "/download/linkora/hvLatestVersionControl.txt";
    static constexpr const char *InstallerPath = "/download/linkora/LinkoraSetup-1.2.3.sh";

    UpdateRig()
    {
        TestTls::trustAuthority();
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        ready = server.listen();
        dialog = new UpdaterDialog;
        updater.setUpdaterDialog(dialog);
        askForVersionAt(versionUrl());
        updater.currentVersion = QStringLiteral("1.0.0");
        const QString root = TestEnvironment::freshDirectory(QStringLiteral("update"));
        folder = root + QStringLiteral("/installers");
        record = root + QStringLiteral("/started.txt");
        dialog->setInstallerFolder(folder);
        dialog->setFreeSpace([this](const QString &) { return freeBytes; });
        dialog->setProxySettingsSource([this] { return proxySettings; });
        installer = "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + QFile::encodeName(record) + "'\n";
        server.serveFile(QString::fromLatin1(InstallerPath), installer);
    }
    ~UpdateRig() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    static QByteArray sha256(const QByteArray &data)
    {
        return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
    }
    // A version file offering version at the installer address, with an
    // optional third line.
    void offer(const QString &version, const QString &installerUrl, const QByteArray &third = QByteArray())
    {
        QByteArray file = "[" + version.toLatin1() + "]\r\nurl=" + installerUrl.toLatin1() + "\r\n";
        if (!third.isEmpty())
            file += third + "\r\n";
        server.serveFile(QString::fromLatin1(VersionPath), file);
    }
    QString versionUrl() const { return server.url(QString::fromLatin1(VersionPath)); }
    QString installerUrl() const { return server.url(QString::fromLatin1(InstallerPath)); }
    // The updater asks for its version file there from now on.
    void askForVersionAt(const QString &url) { updater.setUpdaterHelper(new UpdaterHelper(url)); }
    QString installedPath() const { return folder + QStringLiteral("/LinkoraSetup-1.2.3.sh"); }

    int page() const { return dialog->findChild<QStackedWidget *>()->currentIndex(); }
    QString information() const
    {
        return dialog->findChild<QLabel *>(QStringLiteral("informationLabel"))->text();
    }
    QString question() const
    {
        return dialog->findChild<QLabel *>(QStringLiteral("updateMessageLabel"))->text();
    }
    QPushButton *button(QDialogButtonBox::StandardButton which) const
    {
        return dialog->findChild<QDialogButtonBox *>()->button(which);
    }
    // What the test installer wrote: its path and arguments, one a line.
    QStringList started() const
    {
        return QString::fromLocal8Bit(TestEnvironment::fileContents(record))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QStringList filesInFolder() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

    UpdateServerStandIn server;
    Updater updater;
    UpdaterDialog *dialog;
    QString folder;
    QString record;
    QByteArray installer;
    // Free space in the installer folder, and on the program's own drive.
    qint64 freeBytes = 1024LL * 1024 * 1024 * 1024;
    TestDisk disk {1024LL * 1024 * 1024 * 1024};
    talk::ProxySettings proxySettings;
    bool ready = false;
};

#endif // UPDATERIG_H
