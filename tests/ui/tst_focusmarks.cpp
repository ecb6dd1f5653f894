#include "keyboardhelpers.h"
#include "mainwindowrig.h"
#include "objfactory.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/addeditcontactdialog.h"
#include "ui/addeditgroupdialog.h"
#include "ui/callswitchdialog.h"
#include "ui/createaccountdialog.h"
#include "ui/importcontactsdialog.h"
#include "ui/incomingcalldialog.h"
#include "ui/minimizetotraydialog.h"
#include "ui/missedcallsdialog.h"
#include "ui/proxysettingsdialog.h"
#include "ui/settingsdialog.h"
#include "ui/welcomedialog.h"
#include "uitesthelpers.h"
#include "update/updaterdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

using KeyboardTesting::Fingers;
using namespace UiTesting;

namespace {

// A person reaches a control by Tab and must see that it has the keys: its
// look with the focus differs from its look without, and the difference is a
// mark around it (a ring, a frame, a tint), not a blinking caret.

// The name a failure gives a widget: its object name, or its class and the
// name of its parent when it has none of its own.
QString nameOf(const QWidget *widget)
{
    if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
        return widget->objectName();
    const QString parent = widget->parentWidget() ? widget->parentWidget()->objectName() : QString();
    return parent + QLatin1Char('>') + QLatin1String(widget->metaObject()->className());
}

// What the person sees of the widget: its place in the window, as painted
// there (the window's backgrounds included).
QImage seen(const QWidget *widget)
{
    const QRect place(widget->mapTo(widget->window(), QPoint()), widget->size());
    return widget->window()->grab(place).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Why the focused look is no mark, or empty when it is one: enough pixels
// change, and the changed pixels span at least half the control each way
// (half of what it draws, when its layout stretches it wider: a check box
// drawn across a dialog marks its box and caption).
QString unmarked(const QImage &focused, const QImage &unfocused, QSize drawn = QSize())
{
    if (!drawn.isValid())
        drawn = focused.size();
    drawn = drawn.boundedTo(focused.size());
    if (focused.size() != unfocused.size())
        return QStringLiteral("changes size");
    constexpr int kVisible = 60; // summed over the four channels
    constexpr int kEnough = 12;
    int changed = 0;
    QRect spread;
    for (int y = 0; y < focused.height(); ++y) {
        for (int x = 0; x < focused.width(); ++x) {
            const QRgb a = focused.pixel(x, y);
            const QRgb b = unfocused.pixel(x, y);
            const int difference = qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                + qAbs(qBlue(a) - qBlue(b)) + qAbs(qAlpha(a) - qAlpha(b));
            if (difference > kVisible) {
                ++changed;
                spread |= QRect(x, y, 1, 1);
            }
        }
    }
    if (changed < kEnough)
        return QStringLiteral("%1 pixels change").arg(changed);
    if (spread.width() * 2 < drawn.width() || spread.height() * 2 < drawn.height())
        return QStringLiteral("only a %1x%2 spot of %3x%4 changes")
            .arg(spread.width())
            .arg(spread.height())
            .arg(drawn.width())
            .arg(drawn.height());
    return QString();
}

// One control the Tab key reached: its look with the focus and right after
// it lost it, and that of the field it is drawn in (its parent), where a
// frameless part leaves the mark to the field's frame.
struct Stop
{
    QPointer<QWidget> widget;
    QString name;
    QPoint place;
    QSize drawn;
    QImage focused;
    QImage unfocused;
    QImage fieldFocused;
    QImage fieldUnfocused;
    QString moved;
};

void lookFocused(Stop &stop)
{
    stop.place = stop.widget->mapTo(stop.widget->window(), QPoint());
    stop.drawn = stop.widget->sizeHint();
    stop.focused = seen(stop.widget);
    stop.fieldFocused = seen(stop.widget->parentWidget());
}

void lookUnfocused(Stop &stop)
{
    stop.unfocused = seen(stop.widget);
    stop.fieldUnfocused = seen(stop.widget->parentWidget());
    if (stop.widget->mapTo(stop.widget->window(), QPoint()) != stop.place)
        stop.moved = QStringLiteral("moves when the focus leaves");
}

Stop stopAt(QWidget *widget)
{
    Stop stop {widget, nameOf(widget), {}, {}, {}, {}, {}, {}, {}};
    lookFocused(stop);
    return stop;
}

// For a control that Tab does not leave: its look once the focus is nowhere.
void lookWithoutFocus(Stop &stop)
{
    QWidget *widget = stop.widget;
    widget->clearFocus();
    QApplication::processEvents();
    lookUnfocused(stop);
    widget->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

// Tabs once round the focus chain of the active window, as a person does,
// from wherever the focus is: every control reached, in order.
QList<Stop> tabRound()
{
    constexpr int kMostStops = 60;
    Fingers fingers;
    QList<Stop> stops;
    const auto reached = [&stops](const QWidget *widget) {
        return std::any_of(stops.cbegin(), stops.cend(),
                           [widget](const Stop &stop) { return stop.widget == widget; });
    };
    for (int step = 0; step < kMostStops; ++step) {
        QWidget *before = QApplication::focusWidget();
        fingers.type(QStringLiteral("Tab"));
        QApplication::processEvents();
        QWidget *now = QApplication::focusWidget();
        if (!stops.isEmpty() && stops.last().widget && stops.last().widget != now)
            lookUnfocused(stops.last());
        if (!now)
            break;
        if (now == before) {
            // The window's only control, or one that keeps the Tab key.
            if (!reached(now))
                stops << stopAt(now);
            lookWithoutFocus(stops.last());
            break;
        }
        if (reached(now))
            break;
        stops << stopAt(now);
    }
    if (!stops.isEmpty() && stops.last().widget && stops.last().unfocused.isNull())
        lookWithoutFocus(stops.last());
    return stops;
}

// The controls reached without a mark, each with the reason.
QStringList unmarkedStops(const QList<Stop> &stops)
{
    QStringList found;
    for (const Stop &stop : stops) {
        if (!stop.widget)
            continue;
        if (!stop.moved.isEmpty()) {
            found << stop.name + QLatin1String(": ") + stop.moved;
            continue;
        }
        const QString own = unmarked(stop.focused, stop.unfocused, stop.drawn);
        if (own.isEmpty() || unmarked(stop.fieldFocused, stop.fieldUnfocused).isEmpty())
            continue;
        found << stop.name + QLatin1String(": ") + own;
    }
    return found;
}

QStringList namesOf(const QList<Stop> &stops)
{
    QStringList names;
    for (const Stop &stop : stops)
        names << stop.name;
    return names;
}

// Tabs round the window and saves a picture of it while the named control
// has the focus: the mark as it sits in the window, for a person to judge.
QStringList tabRoundAndLook(const QString &picture, const QString &shown, QStringList *reached)
{
    const QList<Stop> stops = tabRound();
    *reached = namesOf(stops);
    for (const Stop &stop : stops) {
        if (stop.name != shown || !stop.widget)
            continue;
        stop.widget->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        stop.widget->window()->grab().save(UiLook::screenshotPath(picture));
    }
    return unmarkedStops(stops);
}

// The picture's name for the current row: "focus-add-contact-new-group.png".
QString screenshotName()
{
    QString tag = QString::fromLatin1(QTest::currentDataTag()).toLower();
    tag.replace(QLatin1String(", "), QLatin1String("-")).replace(QLatin1Char(' '), QLatin1Char('-'));
    return QStringLiteral("focus-%1.png").arg(tag);
}

// Counts the Space presses that reach the watched control.
class SpaceCounter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space)
            ++presses;
        return QObject::eventFilter(watched, event);
    }
    int presses = 0;
};

} // namespace

class TestFocusMarks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void viewsMarkTheFocus_data();
    void viewsMarkTheFocus();
    void dialogsMarkTheFocus_data();
    void dialogsMarkTheFocus();
    void dialPadTabTabSpaceShowsWhatItPresses();

private:
    bool logIn() const;

    int m_run = 0;
    std::unique_ptr<PromptRecorder> m_prompts;
    std::unique_ptr<ConnectivityProbe> m_network;
    std::unique_ptr<MainWindowRig> m_client;
};

void TestFocusMarks::initTestCase()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    // The welcome dialog reads the process-wide settings.
    TalkTesting::useStandIn();
    QVERIFY(ObjFactory::instance()->settings());
    UiLook::install();
    // A steady caret: a blink between two pictures is no mark.
    QApplication::setCursorFlashTime(0);
}

void TestFocusMarks::init()
{
    TalkTesting::useStandIn();
    TalkTesting::control()->reset();
    m_prompts = std::make_unique<PromptRecorder>();
    m_network = std::make_unique<ConnectivityProbe>(true);
    m_client = std::make_unique<MainWindowRig>(QStringLiteral("focusmarks%1.px").arg(++m_run));
    WebserviceStandIn &server = m_client->rig.server;
    server.addSampleBook(PhoneRig::kUser, 3, 2);
    server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+442079460555"),
                           QDateTime::currentDateTime().addDays(30), QStringLiteral("ACTIVE"));
    server.addCallForward(PhoneRig::kUser,
                          QJsonObject {{QStringLiteral("number"), QStringLiteral("+442079460123")},
                                       {QStringLiteral("forwardUnconditionally"), true}});
}

void TestFocusMarks::cleanup()
{
    m_client.reset();
    m_network.reset();
    m_prompts.reset();
}

bool TestFocusMarks::logIn() const
{
    m_client->typeSignIn();
    ContentWidget *content = m_client->content();
    return QTest::qWaitFor([content] { return content->currentView() == ContentWidget::DialPadView; }, 5000)
        && QTest::qWaitFor([content] { return !sliding(content); }, 5000);
}

void TestFocusMarks::viewsMarkTheFocus_data()
{
    QTest::addColumn<int>("view");
    // A control of the view that the round must reach, and whose picture
    // is saved.
    QTest::addColumn<QString>("shown");

    QTest::newRow("login") << int(ContentWidget::LoginView) << "loginButton";
    QTest::newRow("PIN") << int(ContentWidget::PinSelectView) << "confirmButton";
    QTest::newRow("dial pad") << int(ContentWidget::DialPadView) << "numberLineEdit";
    QTest::newRow("SMS") << int(ContentWidget::SmsView) << "sendSMSButton";
    QTest::newRow("contact list") << int(ContentWidget::ContactListView) << "contactsTreeView";
    QTest::newRow("contact details") << int(ContentWidget::ContactDetailsView) << "editButton";
    QTest::newRow("virtual numbers") << int(ContentWidget::VirtualNumbersView) << "getNumberButton";
    QTest::newRow("call forward") << int(ContentWidget::CallForwardView) << "editCallForwardingButton";
    QTest::newRow("call history") << int(ContentWidget::CallHistoryView) << "historyListView";
    QTest::newRow("voicemail") << int(ContentWidget::VoicemailView) << "configureVoicemailButton";
    QTest::newRow("question") << int(ContentWidget::QueryUserView) << "queryUserOkButton";
}

void TestFocusMarks::viewsMarkTheFocus()
{
    QFETCH(int, view);
    QFETCH(QString, shown);
    MainWindow *window = m_client->window.get();
    window->showLogIn();
    QVERIFY(QTest::qWaitForWindowActive(window));
    if (view != ContentWidget::LoginView)
        QVERIFY(logIn());

    const QString picture = screenshotName();
    QStringList reached;
    QStringList failures;
    if (view == ContentWidget::QueryUserView) {
        // The question waits in a nested loop: the round is made there.
        bool asked = false;
        when([this] { return m_client->content()->currentView() == ContentWidget::QueryUserView; },
             [&] {
                 failures = tabRoundAndLook(picture, shown, &reached);
                 asked = true;
                 m_client->child<QPushButton>("queryUserCancelButton")->click();
             });
        leftClick(m_client->child<QPushButton>("logoutButton"));
        QTRY_VERIFY(asked);
    } else {
        m_client->content()->setView(ContentWidget::View(view), false);
        QTRY_VERIFY(!sliding(m_client->content()));
        failures = tabRoundAndLook(picture, shown, &reached);
    }
    QVERIFY2(reached.contains(shown), qPrintable(reached.join(QLatin1String(", "))));
    QVERIFY2(failures.isEmpty(),
             qPrintable(QLatin1String("no focus mark on ") + failures.join(QLatin1String("; "))));
}

void TestFocusMarks::dialogsMarkTheFocus_data()
{
    QTest::addColumn<QString>("dialog");
    // What the person clicks first, when the page to walk is not the first.
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("shown");

    QTest::newRow("settings, general") << "settings"
                                       << ""
                                       << "saveButton";
    QTest::newRow("settings, audio") << "settings"
                                     << "audioSettingsButton"
                                     << "muteAllCheckBox";
    QTest::newRow("settings, hot keys") << "settings"
                                        << "hotKeysButton"
                                        << "callHotKeyCheckBox";
    QTest::newRow("add contact") << "contact"
                                 << ""
                                 << "addSaveContactButton";
    QTest::newRow("add contact, new group") << "contact"
                                            << "addGroupButton"
                                            << "cancelAddGroup";
    QTest::newRow("add group") << "group"
                               << ""
                               << "saveCreateGroupButton";
    QTest::newRow("import, providers") << "import"
                                       << ""
                                       << "importGmailButton";
    QTest::newRow("import, sign-in") << "import"
                                     << "importGmailButton"
                                     << "importButton";
    QTest::newRow("create account") << "account"
                                    << ""
                                    << "createButton";
    QTest::newRow("welcome") << "welcome"
                             << ""
                             << "testButton";
    QTest::newRow("call switching") << "calls"
                                    << ""
                                    << "callsListWidget";
    QTest::newRow("proxy") << "proxy"
                           << ""
                           << "okButton";
    QTest::newRow("missed calls") << "missed"
                                  << ""
                                  << "callNumberButton";
    QTest::newRow("incoming call") << "incoming"
                                   << ""
                                   << "anwserButton";
    QTest::newRow("minimize to tray") << "tray"
                                      << ""
                                      << "closeButton";
    QTest::newRow("updates") << "updates"
                             << ""
                             << "okButton";
}

void TestFocusMarks::dialogsMarkTheFocus()
{
    QFETCH(QString, dialog);
    QFETCH(QString, click);
    QFETCH(QString, shown);
    PhoneRig &rig = m_client->rig;
    QVERIFY(rig.logIn());

    std::unique_ptr<QWidget> shownDialog;
    if (dialog == QLatin1String("settings")) {
        shownDialog = std::make_unique<SettingsDialog>(rig.talk.get(), m_client->settings.get());
    } else if (dialog == QLatin1String("contact")) {
        auto contact = std::make_unique<AddEditContactDialog>();
        contact->setContactManager(&rig.contacts);
        contact->setAddContact(rig.contacts.groups());
        shownDialog = std::move(contact);
    } else if (dialog == QLatin1String("group")) {
        auto group = std::make_unique<AddEditGroupDialog>();
        group->setContactManager(&rig.contacts);
        group->setAddGroup();
        shownDialog = std::move(group);
    } else if (dialog == QLatin1String("import")) {
        auto import = std::make_unique<ImportContactsDialog>();
        import->setRestManager(&rig.rest);
        import->setContactManager(&rig.contacts);
        import->setGroups({QStringLiteral("Friends")});
        shownDialog = std::move(import);
    } else if (dialog == QLatin1String("account")) {
        shownDialog = std::make_unique<CreateAccountDialog>();
    } else if (dialog == QLatin1String("welcome")) {
        shownDialog = std::make_unique<WelcomeDialog>(rig.talk->mediaEngine());
    } else if (dialog == QLatin1String("calls")) {
        shownDialog = std::make_unique<CallSwitchDialog>(rig.phone.get());
    } else if (dialog == QLatin1String("proxy")) {
        shownDialog = std::make_unique<ProxySettingsDialog>();
    } else if (dialog == QLatin1String("missed")) {
        auto missed = std::make_unique<MissedCallsDialog>();
        missed->setMissedCallsNumbers({QStringLiteral("+4930123456"), QStringLiteral("+442079460555")});
        shownDialog = std::move(missed);
    } else if (dialog == QLatin1String("incoming")) {
        auto incoming = std::make_unique<IncomingCallDialog>();
        incoming->setCaller(QStringLiteral("Ann"));
        shownDialog = std::move(incoming);
    } else if (dialog == QLatin1String("tray")) {
        shownDialog = std::make_unique<MinimizeToTrayDialog>();
    } else {
        shownDialog = std::make_unique<UpdaterDialog>();
    }
    shownDialog->show();
    QVERIFY(QTest::qWaitForWindowActive(shownDialog.get()));
    if (!click.isEmpty()) {
        auto *button = shownDialog->findChild<QPushButton *>(click);
        QVERIFY2(button && button->isVisible(), qPrintable(click));
        leftClick(button);
    }

    const QString picture = screenshotName();
    QStringList reached;
    const QStringList failures = tabRoundAndLook(picture, shown, &reached);
    QVERIFY2(reached.contains(shown), qPrintable(reached.join(QLatin1String(", "))));
    QVERIFY2(failures.isEmpty(),
             qPrintable(QLatin1String("no focus mark on ") + failures.join(QLatin1String("; "))));
}

// Tab, Tab, Space on the dial pad presses whatever has the focus then: the
// person saw, before Space, which control that was.
void TestFocusMarks::dialPadTabTabSpaceShowsWhatItPresses()
{
    ModalBoxCloser boxes;
    MainWindow *window = m_client->window.get();
    window->showLogIn();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(logIn());

    const QImage before = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    Fingers fingers;
    QVERIFY(fingers.type(QStringLiteral("Tab")));
    QVERIFY(fingers.type(QStringLiteral("Tab")));
    QApplication::processEvents();
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    const QImage after = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    window->grab().save(UiLook::screenshotPath(QStringLiteral("focus-dial-pad-tab-tab.png")));
    // Marked by the control or by the frame of the field it is drawn in.
    const auto markOf = [&](const QWidget *widget, const QSize &drawn) {
        const QRect place(widget->mapTo(window, QPoint()), widget->size());
        return unmarked(after.copy(place), before.copy(place), drawn);
    };
    const QString mark = markOf(focused, focused->sizeHint());
    QVERIFY2(mark.isEmpty() || markOf(focused->parentWidget(), QSize()).isEmpty(),
             qPrintable(nameOf(focused) + QLatin1String(" has the focus, unmarked: ") + mark));

    // Space goes to that control (the question a button may ask is answered
    // Cancel).
    SpaceCounter spaces;
    focused->installEventFilter(&spaces);
    when([this] { return m_client->content()->currentView() == ContentWidget::QueryUserView; },
         [this] { m_client->child<QPushButton>("queryUserCancelButton")->click(); }, window);
    QVERIFY(fingers.type(QStringLiteral("Space")));
    QTRY_COMPARE(spaces.presses, 1);
}

LINKORA_TEST_MAIN(TestFocusMarks)
#include "tst_focusmarks.moc"
