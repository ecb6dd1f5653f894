#include "mainwindowrig.h"
#include "settings/settings.h"
#include "settingsdialoghelpers.h"
#include "support/casestore.h"
#include "support/proxystandin.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "support/xserver.h"
#include "ui/proxysettingsdialog.h"
#include "ui/settingsdialog.h"
#include "uitesthelpers.h"
#include "update/updaterig.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The proxy type list of the proxy dialog as the X server shows it, opened
// from each place that asks for a proxy. A list that paints nothing shows
// black on a plain X server and nothing at all under a compositor, which the
// offscreen platform cannot tell.

namespace {

enum Caller { FromSettings, FromFailedSignIn, FromUpdater };

// The list's background and its selection, from the application's style sheet.
const QColor kListWhite(QStringLiteral("#ffffff"));
const QColor kSelection(QStringLiteral("#22a3cd"));

int distance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// What is wrong with the row as the screen shows it: its background must be
// the list's white or the selection colour, with the item's text drawn on
// it. Empty when the row is painted.
QString rowFault(const QImage &row, const QString &text)
{
    if (row.isNull() || row.width() < 10 || row.height() < 5)
        return QStringLiteral("row \"%1\" has no room on the screen").arg(text);
    QMap<QRgb, int> counts;
    for (int y = 0; y < row.height(); ++y) {
        for (int x = 0; x < row.width(); ++x)
            ++counts[row.pixel(x, y) & 0xffffff];
    }
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    if (distance(background, kListWhite.rgb()) > 12 && distance(background, kSelection.rgb()) > 12) {
        return QStringLiteral("row \"%1\" shows %2 instead of the list's white or selection colour")
            .arg(text, QColor(background).name());
    }
    int ink = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (distance(it.key(), background) > 150)
            ink += it.value();
    }
    // A word of five letters leaves far more than this.
    if (ink < 20)
        return QStringLiteral("row \"%1\" shows no text (%2 pixels of ink)").arg(text).arg(ink);
    return QString();
}

// The share of the window's pixels that the screen shows as the window
// draws itself.
double shownShare(QWidget *window)
{
    const QImage own = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage screen = XServer::grabScreen(QRect(window->mapToGlobal(QPoint()), window->size()))
                              .convertToFormat(QImage::Format_RGB32);
    if (own.size() != screen.size() || own.isNull())
        return 0;
    qint64 same = 0;
    for (int y = 0; y < own.height(); ++y) {
        for (int x = 0; x < own.width(); ++x)
            same += distance(own.pixel(x, y), screen.pixel(x, y)) <= 24;
    }
    return double(same) / (qint64(own.width()) * own.height());
}

// What is wrong with the open list of the combo on the screen; empty when
// the screen shows it as it draws itself, every row with its text.
QString listFault(QComboBox *combo)
{
    QAbstractItemView *view = combo->view();
    QWidget *popup = view->window();
    QString fault;
    // Given the moment a list takes to reach the screen after it is mapped.
    const bool shown = QTest::qWaitFor(
        [&] {
            fault.clear();
            for (int row = 0; row < combo->count() && fault.isEmpty(); ++row) {
                const QRect rect = view->visualRect(view->model()->index(row, combo->modelColumn()));
                const QRect onScreen(view->viewport()->mapToGlobal(rect.topLeft()), rect.size());
                fault = rowFault(XServer::grabScreen(onScreen), combo->itemText(row));
            }
            const double share = shownShare(popup);
            if (fault.isEmpty() && share < 0.98) {
                fault = QStringLiteral("the screen shows %1% of the list as the list paints itself")
                            .arg(qRound(share * 100));
            }
            return fault.isEmpty();
        },
        1000);
    if (!shown)
        XServer::grabScreen(QRect(popup->mapToGlobal(QPoint()), popup->size()))
            .save(UiLook::screenshotPath(QStringLiteral("proxy-type-list.png")));
    return fault;
}

// Opens the list with a click, as a person does, and reads the screen.
QString faultOfListOpenedByClick(QComboBox *combo)
{
    QTest::mouseClick(combo, Qt::LeftButton);
    QWidget *popup = combo->view()->window();
    if (!QTest::qWaitFor([popup] { return popup->isVisible(); }, 2000))
        return QStringLiteral("a click does not open the list");
    if (!QTest::qWaitForWindowExposed(popup))
        return QStringLiteral("the open list is not on the screen");
    const QString fault = listFault(combo);
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    if (!QTest::qWaitFor([popup] { return !popup->isVisible(); }, 2000) && fault.isEmpty())
        return QStringLiteral("Escape does not close the list");
    return fault;
}

// Looks at the list of the proxy dialog once it is up, with nothing chosen
// and again after HTTPS was picked with the keys, then cancels the dialog.
// The wait ends with context.
void checkListWhenAsked(QString *fault, bool *asked, QObject *context)
{
    UiTesting::when(
        [] {
            auto *dialog = qobject_cast<ProxySettingsDialog *>(QApplication::activeModalWidget());
            return dialog && dialog->isVisible();
        },
        [fault, asked] {
            auto *dialog = qobject_cast<ProxySettingsDialog *>(QApplication::activeModalWidget());
            *asked = true;
            auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"));
            *fault = faultOfListOpenedByClick(combo);
            if (fault->isEmpty()) {
                SettingsTesting::chooseWithKeys(combo, 0);
                if (combo->currentText() != QLatin1String("HTTPS"))
                    *fault = QStringLiteral("the keys picked \"%1\"").arg(combo->currentText());
            }
            if (fault->isEmpty()) {
                const QString again = faultOfListOpenedByClick(combo);
                if (!again.isEmpty())
                    *fault = QStringLiteral("after HTTPS was picked: ") + again;
            }
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
        },
        context);
}

} // namespace

class TestProxyListScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typeListIsPainted_data();
    void typeListIsPainted();

private:
    void openFromSettings();
    void openAfterFailedSignIn();
    void openFromUpdater();

    int m_run = 0;
};

void TestProxyListScreen::initTestCase()
{
    QVERIFY(XServer::hasWindowManager());
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    TalkTesting::useStandIn();
}

void TestProxyListScreen::typeListIsPainted_data()
{
    QTest::addColumn<int>("caller");
    QTest::newRow("settings dialog") << int(FromSettings);
    QTest::newRow("main window after a failed sign-in") << int(FromFailedSignIn);
    QTest::newRow("updater asking for proxy credentials") << int(FromUpdater);
}

void TestProxyListScreen::typeListIsPainted()
{
    QFETCH(int, caller);
    ++m_run;
    QString fault;
    bool asked = false;
    QObject watch;
    checkListWhenAsked(&fault, &asked, &watch);
    switch (caller) {
    case FromSettings:
        openFromSettings();
        break;
    case FromFailedSignIn:
        openAfterFailedSignIn();
        break;
    case FromUpdater:
        openFromUpdater();
        break;
    }
    QVERIFY2(asked, "the proxy dialog did not open");
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// The preferences opened as the main window opens them, and "Custom internet
// proxy" ticked with the mouse.
void TestProxyListScreen::openFromSettings()
{
    TalkTesting::control()->reset();
    CaseStore store(QStringLiteral("settings%1.px").arg(m_run));
    store.loadDatabases();
    {
        Settings settings(&store);
        talk::PlixTalk talk;
        settings.setTalk(&talk);
        SettingsDialog dialog(&talk, &settings);
        SettingsTesting::whenModal<SettingsDialog>([](SettingsDialog *preferences) {
            SettingsTesting::clickCheckBox(
                preferences->findChild<QCheckBox *>(QStringLiteral("customInternetProxyCheckBox")));
            // Back from the proxy dialog.
            QTest::mouseClick(preferences->findChild<QPushButton *>(QStringLiteral("closeButton")),
                              Qt::LeftButton);
        });
        dialog.exec();
    }
    store.closeDatabases();
}

// A sign-in whose account request fails for want of a connection, answered
// "Yes" to the question whether a proxy is in use.
void TestProxyListScreen::openAfterFailedSignIn()
{
    TalkTesting::control()->reset();
    UiTesting::PromptRecorder prompts;
    prompts.answers << QMessageBox::Yes;
    UiTesting::ConnectivityProbe network(true);
    MainWindowRig client(QStringLiteral("window%1.px").arg(m_run));
    client.window->showLogIn();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));

    client.rig.server.answerNextWithStatus(500, {QStringLiteral("account"), "GET"});
    QSignalSpy failed(client.rig.phone.get(), &Phone::loginFailed);
    client.typeSignIn();
    QVERIFY(failed.wait(5000));
    QCOMPARE(prompts.requests.size(), 1);
    // Signed in again through the system's proxy after the cancel.
    QTRY_COMPARE_WITH_TIMEOUT(client.content()->currentView(), ContentWidget::DialPadView, 5000);
}

// A download through a proxy that wants credentials the settings do not
// hold.
void TestProxyListScreen::openFromUpdater()
{
    UpdateRig rig;
    QVERIFY(rig.ready);
    ProxyStandIn proxy(QStringLiteral("proxyuser"), QStringLiteral("proxy pass"));
    QVERIFY(proxy.listen());
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port()));
    rig.proxySettings = talk::ProxySettings(talk::ProxySettings::Http, QStringLiteral("127.0.0.1"),
                                            proxy.port(), false, {}, {});
    // Qt sends no loopback address through a proxy: a name only the proxy knows.
    QString url = rig.installerUrl();
    url.replace(QStringLiteral("127.0.0.1"), QStringLiteral("update.test"));
    rig.dialog->startAutomaticDownload(url, QStringLiteral("1.2.3"),
                                       QByteArray::fromHex(UpdateRig::sha256(rig.installer)));
    // Cancelled, the proxy dialog closes the update dialog.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.dialog->isVisible(), UpdateRig::Patience);
    QVERIFY(rig.started().isEmpty());
}

LINKORA_XSERVER_TEST_MAIN(TestProxyListScreen, XServer::WithWindowManager)
#include "tst_proxylistscreen.moc"
