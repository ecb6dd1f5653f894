#include "support/proxystandin.h"
#include "support/talktesting.h"
#include "support/uilook.h"
#include "ui/proxysettingsdialog.h"
#include "updaterig.h"
#include "util/trace.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <sys/stat.h>

namespace {

using Delivery = UpdateServerStandIn::Delivery;

const QString kError = QStringLiteral("An error occurred while downloading update: ");

// The menu check finds 1.2.3 and the user presses "Update Now".
bool confirm(UpdateRig &rig)
{
    rig.updater.startCheckForUpdatesWithUI();
    if (!QTest::qWaitFor([&] { return rig.dialog->isVisible() && rig.page() == 0; }, UpdateRig::Patience))
        return false;
    QTest::mouseClick(rig.button(QDialogButtonBox::Ok), Qt::LeftButton);
    return true;
}

// Notes isModal() each time the widget is shown.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    QList<bool> modal;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::Show)
            modal << m_widget->isModal();
        return false;
    }

private:
    QWidget *m_widget;
};

int mode(const QString &path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// Answers the proxy form that the download asks through, as a person would.
void answerProxyForm(int proxyPort, const QString &user, const QString &password, bool cancel)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *form = qobject_cast<ProxySettingsDialog *>(QApplication::activeModalWidget());
        if (!form)
            return;
        timer->stop();
        timer->deleteLater();
        if (cancel) {
            QTest::keyClick(form, Qt::Key_Escape);
            return;
        }
        form->findChild<QLineEdit *>(QStringLiteral("hostnameLineEdit"))
            ->setText(QStringLiteral("127.0.0.1"));
        form->findChild<QLineEdit *>(QStringLiteral("portLineEdit"))->setText(QString::number(proxyPort));
        form->findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"))->setCurrentIndex(0);
        form->findChild<QCheckBox *>(QStringLiteral("authCheckBox"))->setChecked(true);
        QTest::keyClicks(form->findChild<QLineEdit *>(QStringLiteral("usernameLineEdit")), user);
        QTest::keyClicks(form->findChild<QLineEdit *>(QStringLiteral("passwordLineEdit")), password);
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    timer->start();
}

} // namespace

class TestUpdaterDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void downloads_data();
    void downloads();
    void automaticHandOver_data();
    void automaticHandOver();
    void pagesIgnoreEscapeAndClose();
    void proxyAsksForCredentials_data();
    void proxyAsksForCredentials();
    void proxyUserNameStaysOutOfTheTrace();
    void installerFolderIsPrivate();
    void downloadAfterARefusedOne();
    void textsFitTheirPages_data();
    void textsFitTheirPages();
    void screenshots();
};

void TestUpdaterDialog::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
}

void TestUpdaterDialog::downloads_data()
{
    QTest::addColumn<QString>("address"); // the installer address in the version file
    QTest::addColumn<int>("delivery");
    QTest::addColumn<QString>("digest");
    QTest::addColumn<qint64>("freeMegabytes");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<QString>("error"); // in the error text; empty when the installer starts

    const QString installer = QString::fromLatin1(UpdateRig::InstallerPath);
    const int whole = int(Delivery::Whole);
    const qint64 plenty = 1024 * 1024;
    const qint64 cap = UpdaterDialog::DefaultMaxInstallerSize;
    QTest::newRow("no digest") << installer << whole << "" << plenty << cap << "";
    QTest::newRow("matching digest") << installer << whole << "match" << plenty << cap << "";
    QTest::newRow("no length") << installer << int(Delivery::NoLength) << "match" << plenty << cap << "";
    QTest::newRow("query left out of the name")
        << installer + "?sig=a/b" << whole << "" << plenty << cap << "";
    QTest::newRow("redirected") << "/r/LinkoraSetup-1.2.3.sh" << whole << "match" << plenty << cap << "";
    QTest::newRow("digest differs") << installer << whole << "other" << plenty << cap << "SHA-256 differs";
    QTest::newRow("short") << installer << int(Delivery::Short) << "" << plenty << cap << "(";
    QTest::newRow("dropped") << installer << int(Delivery::Drop) << "" << plenty << cap << "(";
    QTest::newRow("stalled") << installer << int(Delivery::Stall) << "" << plenty << cap << "stalled";
    QTest::newRow("larger than the cap") << installer << whole << "" << plenty << qint64(16) << "larger than";
    QTest::newRow("not enough disk") << installer << whole << "" << qint64(169) << cap << "disk space";
    QTest::newRow("announced size needs room twice")
        << "/big" << int(Delivery::Generated) << "" << qint64(180) << cap << "disk space";
    QTest::newRow("plain http refused") << "PLAIN" + installer << whole << "" << plenty << cap << "secure";
    QTest::newRow("no file name") << "/download/linkora/" << whole << "" << plenty << cap << "names no file";
    QTest::newRow("parent folder as the name")
        << "/download/linkora/%2E%2E" << whole << "" << plenty << cap << "names no file";
    QTest::newRow("NUL in the name") << "/download/linkora/a%00b.sh" << whole << "" << plenty << cap
                                     << "control characters";
    QTest::newRow("line break in the name")
        << "/download/linkora/a%0Ab.sh" << whole << "" << plenty << cap << "control characters";
    QTest::newRow("DEL in the name") << "/download/linkora/a%7Fb.sh" << whole << "" << plenty << cap
                                     << "control characters";
    QTest::newRow("first C1 control in the name")
        << "/download/linkora/a%C2%80b.sh" << whole << "" << plenty << cap << "control characters";
    QTest::newRow("last C1 control in the name")
        << "/download/linkora/a%C2%9Fb.sh" << whole << "" << plenty << cap << "control characters";
    // The version file is Latin-1: its byte 0x85 is the C1 control NEL.
    QTest::newRow("C1 byte of the version file in the name")
        << QStringLiteral("/download/linkora/a\u0085b.sh") << whole << "" << plenty << cap
        << "control characters";
    QTest::newRow("not found") << "/missing.sh" << whole << "" << plenty << cap << "Not Found";
    QTest::newRow("redirect loop") << "/loop" << whole << "" << plenty << cap << "Too many redirects";
    QTest::newRow("redirect to http") << "/down" << whole << "" << plenty << cap << "Insecure redirect";
}

void TestUpdaterDialog::downloads()
{
    QFETCH(QString, address);
    QFETCH(int, delivery);
    QFETCH(QString, digest);
    QFETCH(qint64, freeMegabytes);
    QFETCH(qint64, cap);
    QFETCH(QString, error);

    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.freeBytes = freeMegabytes * 1024 * 1024;
    // Short only where the stall is the point: TLS under a sanitizer on a busy machine is slow.
    rig.dialog->setLimits(cap, Delivery(delivery) == Delivery::Stall ? 400 : 20000);
    const QString installer = QString::fromLatin1(UpdateRig::InstallerPath);
    rig.server.serve(installer, {200, {}, rig.installer, Delivery(delivery)});
    rig.server.redirect(QStringLiteral("/r/LinkoraSetup-1.2.3.sh"), rig.installerUrl());
    rig.server.redirect(QStringLiteral("/loop"), rig.server.url(QStringLiteral("/loop")));
    rig.server.redirect(QStringLiteral("/down"), rig.server.plainUrl(installer));
    rig.server.serve(QStringLiteral("/big"), {200, {}, {}, Delivery::Generated, 100LL * 1024 * 1024});
    const QString url = address.startsWith(QLatin1String("PLAIN")) ? rig.server.plainUrl(address.mid(5))
                                                                   : rig.server.url(address);
    QByteArray third;
    if (digest == QLatin1String("match"))
        third = "sha256=" + UpdateRig::sha256(rig.installer);
    else if (digest == QLatin1String("other"))
        third = "sha256=" + UpdateRig::sha256(rig.installer + "\n");
    rig.offer(QStringLiteral("1.2.3"), url, third);

    QVERIFY(confirm(rig));
    if (error.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(
            rig.started(),
            (QStringList {rig.installedPath(), QStringLiteral("/minimal"), QStringLiteral("/desktopicon=1"),
                          QStringLiteral("/starticon=1")}),
            UpdateRig::Patience);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(TestEnvironment::fileContents(rig.installedPath()), rig.installer);
        QCOMPARE(rig.filesInFolder(), QStringList {QStringLiteral("LinkoraSetup-1.2.3.sh")});
        QCOMPARE(mode(rig.folder), 0700);
        QCOMPARE(mode(rig.installedPath()), 0700);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.page(), 2, UpdateRig::Patience);
    QVERIFY(rig.dialog->isVisible());
    QVERIFY(rig.dialog->isModal());
    QVERIFY2(rig.information().startsWith(kError + QLatin1Char('\n')), qPrintable(rig.information()));
    QVERIFY2(rig.information().contains(error), qPrintable(rig.information()));
    QTest::qWait(200);
    QVERIFY(rig.started().isEmpty());
    QCOMPARE(rig.filesInFolder(), QStringList());
    // Refused before anything was asked of the server.
    if (error == QLatin1String("secure") || error == QLatin1String("names no file")
        || error == QLatin1String("control characters")
        || (address == installer && error == QLatin1String("disk space")))
        QCOMPARE(rig.server.requestLines().size(), 1);
}

void TestUpdaterDialog::automaticHandOver_data()
{
    QTest::addColumn<bool>("found");
    QTest::newRow("installer there") << true;
    QTest::newRow("installer missing") << false;
}

void TestUpdaterDialog::automaticHandOver()
{
    QFETCH(bool, found);
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"),
              found ? rig.installerUrl() : rig.server.url(QStringLiteral("/missing.sh")),
              "sha256=" + UpdateRig::sha256(rig.installer));
    QList<int> pages;
    connect(rig.dialog->findChild<QStackedWidget *>(), &QStackedWidget::currentChanged, this,
            [&](int page) { pages << page; });

    // Whether the dialog was modal each time it came up: a loopback download
    // may be over before a test could look at the window.
    ShowWatcher shown(rig.dialog);

    rig.updater.startCheckAndUpdateAutomatically();
    // Never asked: straight to the download, with the other windows usable.
    QTRY_VERIFY_WITH_TIMEOUT(!shown.modal.isEmpty() && !rig.dialog->isVisible(), UpdateRig::Patience);
    QTest::qWait(100);
    QCOMPARE(shown.modal, QList<bool> {false});
    // A failure closes the dialog without a word.
    QCOMPARE(pages, QList<int> {1});
    if (found)
        QTRY_COMPARE_WITH_TIMEOUT(rig.started().size(), 4, UpdateRig::Patience);
    else
        QCOMPARE(rig.dialog->result(), int(QDialog::Rejected));
}

void TestUpdaterDialog::pagesIgnoreEscapeAndClose()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl());
    rig.server.serve(QString::fromLatin1(UpdateRig::InstallerPath),
                     {200, {}, rig.installer, Delivery::Stall});
    rig.dialog->setLimits(UpdaterDialog::DefaultMaxInstallerSize, 3000);
    auto escapeAndClose = [&] {
        QTest::keyClick(rig.dialog, Qt::Key_Escape);
        rig.dialog->close();
        return rig.dialog->isVisible();
    };

    // Asking: Escape and close leave it, "Remind Me Later" hides it.
    rig.updater.startCheckForUpdatesWithUI();
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
    QCOMPARE(rig.page(), 0);
    QVERIFY(rig.dialog->isModal());
    QCOMPARE(rig.dialog->height(), 180);
    QVERIFY(escapeAndClose());
    QTest::mouseClick(rig.button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QVERIFY(!rig.dialog->isVisible());
    QCOMPARE(rig.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(rig.server.requestsFor(QString::fromLatin1(UpdateRig::InstallerPath)), 0);

    // Downloading: not modal, no way out, a second hand-over changes nothing.
    QVERIFY(confirm(rig));
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.requestsFor(QString::fromLatin1(UpdateRig::InstallerPath)), 1,
                              UpdateRig::Patience);
    QCOMPARE(rig.page(), 1);
    QVERIFY(!rig.dialog->isModal());
    QCOMPARE(rig.dialog->height(), 120);
    QVERIFY(escapeAndClose());
    MessageCatcher messages;
    rig.dialog->startConfirmedDownload(rig.installerUrl(), QStringLiteral("9.9.9"));
    QVERIFY(messages.contains(QStringLiteral("Update already running")));
    rig.updater.startCheckForUpdatesWithUI(); // only brings it to the front
    QCOMPARE(rig.page(), 1);
    QVERIFY(rig.question().startsWith(QStringLiteral("Version 1.2.3 found.")));

    // Informing: the stall ends on the error page; only "OK" closes it.
    QTRY_COMPARE_WITH_TIMEOUT(rig.page(), 2, 10000);
    QVERIFY(rig.dialog->isModal());
    QCOMPARE(rig.dialog->height(), 140);
    QVERIFY(!rig.button(QDialogButtonBox::Cancel)->isVisible());
    QVERIFY(escapeAndClose());
    rig.dialog->showConfirmation(); // while shown, only raises
    QCOMPARE(rig.page(), 2);
    QTest::mouseClick(rig.dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QVERIFY(!rig.dialog->isVisible());
    QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    QVERIFY(rig.started().isEmpty());
}

void TestUpdaterDialog::proxyAsksForCredentials_data()
{
    QTest::addColumn<QString>("storedUser");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<QString>("typedUser"); // empty: the form is not answered
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("proxyPassword");

    QTest::newRow("from the settings") << "proxyuser"
                                       << "proxy pass"
                                       << "" << false << "proxy pass";
    QTest::newRow("user name alone in the settings") << "proxyuser"
                                                     << ""
                                                     << "" << false << "";
    QTest::newRow("asked from the user") << ""
                                         << ""
                                         << "proxyuser" << false << "proxy pass";
    QTest::newRow("user cancels") << ""
                                  << ""
                                  << "" << true << "proxy pass";
}

void TestUpdaterDialog::proxyAsksForCredentials()
{
    QFETCH(QString, storedUser);
    QFETCH(QString, storedPassword);
    QFETCH(QString, typedUser);
    QFETCH(bool, cancel);
    QFETCH(QString, proxyPassword);

    UpdateRig rig;
    QVERIFY(rig.ready);
    ProxyStandIn proxy(QStringLiteral("proxyuser"), proxyPassword);
    QVERIFY(proxy.listen());
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port()));
    rig.proxySettings = talk::ProxySettings(talk::ProxySettings::Http, QStringLiteral("127.0.0.1"),
                                            proxy.port(), !storedUser.isEmpty(), storedUser, storedPassword);
    if (!typedUser.isEmpty() || cancel)
        answerProxyForm(proxy.port(), typedUser, proxyPassword, cancel);
    MessageCatcher messages;

    // Qt sends no loopback address through a proxy: a name only the proxy knows.
    QString url = rig.installerUrl();
    url.replace(QStringLiteral("127.0.0.1"), QStringLiteral("update.test"));
    rig.dialog->startAutomaticDownload(url, QStringLiteral("1.2.3"),
                                       QByteArray::fromHex(UpdateRig::sha256(rig.installer)));
    QTRY_VERIFY_WITH_TIMEOUT(proxy.refusals() >= 1, UpdateRig::Patience);
    if (cancel) {
        QTRY_VERIFY_WITH_TIMEOUT(!rig.dialog->isVisible(), UpdateRig::Patience);
        QCOMPARE(proxy.tunnels(), 0);
        QTest::qWait(200);
        QVERIFY(rig.started().isEmpty());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.started().size(), 4, UpdateRig::Patience);
    QVERIFY(proxy.authorizations().contains(proxy.expected()));
    // The password never reaches the trace.
    if (!proxyPassword.isEmpty()) {
        for (const QString &line : messages.messages())
            QVERIFY2(!line.contains(proxyPassword), qPrintable(line));
    }
}

void TestUpdaterDialog::proxyUserNameStaysOutOfTheTrace()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    const QString user = QStringLiteral("ottoline.brackenbury");
    ProxyStandIn proxy(user, QStringLiteral("proxy pass"));
    QVERIFY(proxy.listen());
    // As the talk session sets it, with a password the proxy no longer takes:
    // the proxy asks, and the dialog answers from the settings.
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                                     proxy.port(), user, QStringLiteral("stale pass")));
    rig.proxySettings = talk::ProxySettings(talk::ProxySettings::Http, QStringLiteral("127.0.0.1"),
                                            proxy.port(), true, user, QStringLiteral("proxy pass"));
    MessageCatcher messages;
    QString url = rig.installerUrl();
    url.replace(QStringLiteral("127.0.0.1"), QStringLiteral("update.test"));
    rig.dialog->startAutomaticDownload(url, QStringLiteral("1.2.3"),
                                       QByteArray::fromHex(UpdateRig::sha256(rig.installer)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.started().size(), 4, UpdateRig::Patience);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);

    QVERIFY(messages.contains(QStringLiteral("Proxy authentication required")));
    QVERIFY(messages.contains(Trace::tag(user)));
    QVERIFY(!messages.contains(user));
}

void TestUpdaterDialog::installerFolderIsPrivate()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl());
    const QString root = QFileInfo(rig.folder).path();

    // A link in place of the folder is refused; what it points at is left alone.
    const QString elsewhere = root + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkpath(elsewhere));
    QFile kept(elsewhere + QStringLiteral("/notes.txt"));
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.close();
    QVERIFY(QFile::link(elsewhere, rig.folder));
    QVERIFY(confirm(rig));
    QTRY_COMPARE_WITH_TIMEOUT(rig.page(), 2, UpdateRig::Patience);
    QVERIFY2(rig.information().contains(QStringLiteral("link")), qPrintable(rig.information()));
    QVERIFY(QFile::exists(kept.fileName()));
    QCOMPARE(rig.server.requestLines().size(), 1);
    QTest::mouseClick(rig.dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);

    // An open folder is closed to others; whatever an earlier download left
    // there goes, named with a dot or not.
    QVERIFY(QFile::remove(rig.folder));
    QVERIFY(QDir().mkpath(rig.folder));
    QVERIFY(QFile::setPermissions(rig.folder,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                      | QFile::ExeOther));
    for (const char *name : {"LinkoraSetup-1.2.2.sh", "a", ".LinkoraSetup-1.2.3.sh.x1Ab2C"}) {
        QFile file(rig.folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(confirm(rig));
    QTRY_COMPARE_WITH_TIMEOUT(rig.started().size(), 4, UpdateRig::Patience);
    QCOMPARE(mode(rig.folder), 0700);
    QCOMPARE(rig.filesInFolder(), QStringList {QStringLiteral("LinkoraSetup-1.2.3.sh")});
    QVERIFY(QFile::exists(kept.fileName()));
}

// The first installer is not the one offered; the second download starts
// clean, with nothing of the first in the folder or in the file.
void TestUpdaterDialog::downloadAfterARefusedOne()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    const QString installer = QString::fromLatin1(UpdateRig::InstallerPath);
    const QByteArray digest = "sha256=" + UpdateRig::sha256(rig.installer);
    rig.server.serveFile(installer, rig.installer + "echo tampered\n");
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl(), digest);
    QVERIFY(confirm(rig));
    QTRY_COMPARE_WITH_TIMEOUT(rig.page(), 2, UpdateRig::Patience);
    QVERIFY2(rig.information().contains(QStringLiteral("SHA-256 differs")), qPrintable(rig.information()));
    QCOMPARE(rig.filesInFolder(), QStringList());
    QTest::mouseClick(rig.dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);

    rig.server.serveFile(installer, rig.installer);
    QVERIFY(confirm(rig));
    QTRY_COMPARE_WITH_TIMEOUT(
        rig.started(),
        (QStringList {rig.installedPath(), QStringLiteral("/minimal"), QStringLiteral("/desktopicon=1"),
                      QStringLiteral("/starticon=1")}),
        UpdateRig::Patience);
    QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(TestEnvironment::fileContents(rig.installedPath()), rig.installer);
    QCOMPARE(rig.filesInFolder(), QStringList {QStringLiteral("LinkoraSetup-1.2.3.sh")});
    QCOMPARE(rig.server.requestsFor(installer), 2);
}

void TestUpdaterDialog::textsFitTheirPages_data()
{
    QTest::addColumn<QString>("version"); // offered by the server; none: an error is shown
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("screenshot");

    QTest::newRow("short version") << "1.2.3"
                                   << ""
                                   << "update-version-short.png";
    QTest::newRow("long version with blanks")
        << "1.2.3 (the preview for testers of the first of May, with the new dial pad)"
        << ""
        << "update-version-long.png";
    QTest::newRow("long version in one piece")
        << "1.2.3-preview.20240501+build.0123456789abcdef0123456789abcdef"
        << ""
        << "update-version-one-piece.png";
    QTest::newRow("error of five lines") << ""
                                         << "first line\nsecond line\nthird line"
                                         << "update-error-five-lines.png";
    QTest::newRow("long error") << ""
                                << "Error transferring https://updates.example/download/linkora/"
                                   "LinkoraSetup-1.2.3-preview.sh - server replied: Service Unavailable"
                                << "update-error-long.png";
}

void TestUpdaterDialog::textsFitTheirPages()
{
    QFETCH(QString, version);
    QFETCH(QString, error);
    QFETCH(QString, screenshot);
    UiLook::install();
    UpdateRig rig;
    QVERIFY(rig.ready);
    if (!version.isEmpty()) {
        rig.offer(version, rig.installerUrl());
        rig.updater.startCheckForUpdatesWithUI();
        QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible() && rig.page() == 0, UpdateRig::Patience);
        // Wrapped, never cut.
        QVERIFY2(rig.question().remove(QChar(0x200B)).contains(version), qPrintable(rig.question()));
    } else {
        rig.dialog->showError(error);
        for (const QString &line : error.split(QLatin1Char('\n')))
            QVERIFY(rig.information().contains(line));
    }
    QApplication::processEvents();
    QVERIFY(rig.dialog->grab().save(UiLook::screenshotPath(screenshot)));

    const QWidget *page = rig.dialog->findChild<QStackedWidget *>()->currentWidget();
    for (const QLabel *label : page->findChildren<QLabel *>()) {
        QVERIFY2(UiLook::textFits(label), qPrintable(label->objectName() + QLatin1Char(' ') + label->text()));
        QVERIFY2(UiLook::liesInside(label, rig.dialog), qPrintable(label->objectName()));
    }
    for (const QPushButton *button : page->findChildren<QPushButton *>()) {
        if (button->isVisible())
            QVERIFY2(UiLook::liesInside(button, rig.dialog), qPrintable(button->text()));
    }
}

void TestUpdaterDialog::screenshots()
{
    UiLook::install();
    UpdateRig rig;
    QVERIFY(rig.ready);
    rig.offer(QStringLiteral("1.2.3"), rig.installerUrl());
    rig.server.serve(QString::fromLatin1(UpdateRig::InstallerPath), {200, {}, {}, Delivery::Stall, 0});
    rig.server.serve(QString::fromLatin1(UpdateRig::InstallerPath),
                     {200, {}, QByteArray(4096, 'x'), Delivery::Stall});
    rig.dialog->setLimits(UpdaterDialog::DefaultMaxInstallerSize, 60000);
    const auto shoot = [&rig](const char *name) {
        // As on screen, where the layout takes the page's new content first.
        QApplication::processEvents();
        return rig.dialog->grab().save(UiLook::screenshotPath(QLatin1String(name)));
    };

    rig.updater.startCheckForUpdatesWithUI();
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), UpdateRig::Patience);
    QVERIFY(shoot("update-confirmation.png"));
    QTest::mouseClick(rig.button(QDialogButtonBox::Ok), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(rig.dialog->findChild<QProgressBar *>()->value(), 50, UpdateRig::Patience);
    QVERIFY(shoot("update-progress.png"));
    rig.dialog->stopUpdate();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.dialog->isVisible(), UpdateRig::Patience);

    rig.dialog->showUpToDate();
    QVERIFY(shoot("update-up-to-date.png"));
    rig.dialog->showError(QStringLiteral("Host 127.0.0.1 not found"));
    QCOMPARE(rig.information(),
             kError
                 + QStringLiteral("\n(Host 127.0.0.1 not found).\nPlease check your "
                                  "internet connection, and try again."));
    QVERIFY(shoot("update-error.png"));
    rig.dialog->showCheckFailed(QStringLiteral("Connection refused"));
    QCOMPARE(rig.information(),
             QStringLiteral("The check for updates failed: Connection refused.\nPlease check your "
                            "internet connection, and try again."));
    QVERIFY(shoot("update-check-failed.png"));
}

LINKORA_TEST_MAIN(TestUpdaterDialog)
#include "tst_updaterdialog.moc"
