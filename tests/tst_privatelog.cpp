#include "application.h"
#include "contactsmodels.h"
#include "objfactory.h"
#include "phone/phone.h"
#include "settings/settings.h"
#include "startup.h"
#include "support/applicationtestmain.h"
#include "support/talktesting.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/webservicestandin.h"
#include "ui/addeditcontactdialog.h"
#include "ui/addeditgroupdialog.h"
#include "ui/contactmanager.h"
#include "ui/contentwidget.h"
#include "ui/incomingcalldialog.h"
#include "ui/mainwindow.h"
#include "ui/messageprompt.h"
#include "ui/missedcallsdialog.h"
#include "ui/settingsdialoghelpers.h"
#include "ui/uitesthelpers.h"
#include "util/trace.h"
#include "util/tracelog.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

namespace {

const QString kUser = QStringLiteral("zephyrine.quillfeather");
const QString kPassword = QStringLiteral("Marrowgate-7781");
// Every name, number, address and text the run below hands the program.
const QString kAccountFirst = QStringLiteral("Zephyrine");
const QString kAccountLast = QStringLiteral("Quillfeather");
const QString kAccountEmail = QStringLiteral("zeph@quillfeather-post.example");
const QString kAccountPhone = QStringLiteral("4930619283746");
const QString kDialled = QStringLiteral("4930718264953");
const QString kCaller = QStringLiteral("4940561938274"); // Barnaby's
const QString kOtherCaller = QStringLiteral("4940882716345");
const QString kNewPhone = QStringLiteral("4930847261935"); // Ignatius's
const QString kSmsText = QStringLiteral("Vellichor soup at nine");

// The button with that name inside the widget.
QPushButton *button(const QWidget *parent, const char *name)
{
    return parent->findChild<QPushButton *>(QLatin1String(name));
}

template<typename T = QWidget>
T *child(const QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// Once nothing covers it (a page sliding in does), the pointer over the tool
// button and its click: the tool buttons count a release only under a
// pointer that came over them.
bool press(QWidget *toolButton)
{
    const auto uncovered = [toolButton] {
        const QWidget *under = QApplication::widgetAt(toolButton->mapToGlobal(toolButton->rect().center()));
        return under && (under == toolButton || toolButton->isAncestorOf(under));
    };
    if (!QTest::qWaitFor(uncovered, 5000))
        return false;
    QTest::mouseMove(toolButton);
    QTest::mouseClick(toolButton, Qt::LeftButton);
    return true;
}

} // namespace

// The program itself, signed in against the stand-ins and used as a person
// would, leaves none of the user's data in its log file: the log goes out
// with crash reports.
class TestPrivateLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void logHoldsNoNamesNumbersOrAddresses();

private:
    MainWindow *window() const { return Application::instance()->mainWindow(); }
    ContentWidget *content() const { return window()->contentWidget(); }
    QTreeView *tree() const { return child<QTreeView>(content(), "contactsTreeView"); }
    // A call comes in from the number and the caller gives up; the missed
    // calls pop-up is then up with its row for the number.
    QWidget *missCallFrom(const QString &number);
    // Right-clicks the row of the contact list and clicks the entry of its menu.
    bool chooseFromRowMenu(int role, const QString &value, const QString &entry);

    WebserviceStandIn m_webservice;
};

void TestPrivateLog::initTestCase()
{
    QVERIFY(m_webservice.listen());
    m_webservice.addAccount(kUser, kPassword);
    m_webservice.setAccountField(kUser, QStringLiteral("firstName"), kAccountFirst);
    m_webservice.setAccountField(kUser, QStringLiteral("lastName"), kAccountLast);
    m_webservice.setAccountField(kUser, QStringLiteral("emails"), QJsonArray {kAccountEmail});
    m_webservice.setAccountField(kUser, QStringLiteral("phones"), QJsonArray {kAccountPhone});
    m_webservice.addGroup(kUser, QStringLiteral("Xylander clan"));
    m_webservice.addContact(
        kUser,
        WebserviceStandIn::contactRecord(
            QStringLiteral("Barnaby") + kCaller, QStringLiteral("Xylander clan"), QStringLiteral("Barnaby"),
            QStringLiteral("Xylander"), {{QStringLiteral("CELL"), kCaller}},
            {QStringLiteral("barnaby@xylander-mail.example")}, QStringLiteral("17 Quernmore Lane")));
    ObjFactory::setWebserviceBaseUrl(m_webservice.baseUrl());
    // No box is expected; one would hold the run.
    MessagePrompt::setHandler([](const MessagePrompt::Request &request) {
        qWarning("unexpected box: %s", qPrintable(request.title));
        return QMessageBox::Ok;
    });
    Application::instance()->initialize();
    QTRY_VERIFY_WITH_TIMEOUT(window() && window()->isVisible(), 10000);
    QVERIFY(TraceLog::isInstalled());
}

QWidget *TestPrivateLog::missCallFrom(const QString &number)
{
    const PlixStandinControl *control = TalkTesting::control();
    if (!control->raise_incoming_call(number.toLatin1().constData()))
        return nullptr;
    auto *popup = window()->findChild<IncomingCallDialog *>();
    if (!QTest::qWaitFor(
            [&] { return (popup = window()->findChild<IncomingCallDialog *>()) && popup->isVisible(); },
            5000))
        return nullptr;
    control->hangup_remote(plix::HANGUP_DECLINE);
    // Gone before the pop-up is used, as it is by the time a person reads it.
    if (!QTest::qWaitFor([] { return ObjFactory::instance()->phone()->calls().isEmpty(); }, 5000))
        return nullptr;
    auto *missed = content()->findChild<MissedCallsDialog *>();
    if (!QTest::qWaitFor(
            [&] { return (missed = content()->findChild<MissedCallsDialog *>()) && missed->isVisible(); },
            5000))
        return nullptr;
    for (QLabel *label : missed->findChildren<QLabel *>(QStringLiteral("numberLabel"))) {
        if (label->text() == number)
            return label->parentWidget();
    }
    return nullptr;
}

bool TestPrivateLog::chooseFromRowMenu(int role, const QString &value, const QString &entry)
{
    const QAbstractItemModel *model = tree()->model();
    const QModelIndexList found
        = model->match(model->index(0, 0), role, value, 1, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return false;
    tree()->scrollTo(found.first());
    const QPoint at = tree()->viewport()->mapTo(window(), tree()->visualRect(found.first()).center());
    QTest::mouseClick(window()->windowHandle(), Qt::RightButton, {}, at);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (!menu)
        return false;
    for (QAction *action : menu->actions()) {
        if (action->text() == entry) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
    }
    return false;
}

void TestPrivateLog::logHoldsNoNamesNumbersOrAddresses()
{
    using SettingsTesting::whenModal;
    // The calls' running times stay at their start however slowly the test runs.
    TestClock clock;
    const PlixStandinControl *control = TalkTesting::control();
    Phone *phone = ObjFactory::instance()->phone();
    ContactManager *book = ObjFactory::instance()->contactManager();
    ObjFactory::instance()->settings()->setShowWelcome(false);

    // Signed in through the login view.
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QTest::keyClicks(child<QComboBox>(content(), "loginCombo")->lineEdit(), kUser);
    QTest::keyClicks(child<QLineEdit>(content(), "passwordLineEdit"), kPassword);
    QTest::keyClick(child<QLineEdit>(content(), "passwordLineEdit"), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(content()->currentView(), ContentWidget::DialPadView, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(phone->talk()->isConnected() && phone->balance().credit() > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(book->contactByPhoneNumber(kCaller), 10000);

    // A number dialled, answered and hung up.
    control->set_call_outcome(PLIX_STANDIN_ANSWER);
    QWidget *dialPad = child(content(), "dialPadPage");
    auto *number = child<QLineEdit>(dialPad, "numberLineEdit");
    auto *state = child<QLabel>(content(), "callStateLabel");
    QTest::keyClicks(number, kDialled);
    QTest::keyClick(number, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QVERIFY(QString::fromUtf8(control->last_callee()).contains(kDialled));
    QTest::mouseClick(button(content(), "callHungUpButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone->calls().isEmpty(), 5000);

    // A contact's call missed and called back; another missed and answered by SMS.
    QWidget *row = missCallFrom(kCaller);
    QVERIFY(row);
    QVERIFY(child<QLabel>(row, "nameLabel")->text().contains(QStringLiteral("Xylander")));
    QTest::mouseClick(button(row, "callNumberButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("00:00:00"), 5000);
    QTest::mouseClick(button(content(), "callHungUpButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone->calls().isEmpty(), 5000);
    row = missCallFrom(kOtherCaller);
    QVERIFY(row);
    QTest::mouseClick(button(row, "sendSMSButton"), Qt::LeftButton);
    QTRY_COMPARE(content()->currentView(), ContentWidget::SmsView);
    QWidget *smsPage = child(content(), "smsPage");
    QTest::keyClicks(child<QTextEdit>(smsPage, "smsTextEdit"), kSmsText);
    QTest::mouseClick(button(smsPage, "sendSMSButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_webservice.sentSms(kUser).size(), 1, 5000);

    // A contact added, then edited from its row's menu.
    QVERIFY(press(child(content(), "contactListMenuButton")));
    QTRY_COMPARE(content()->currentView(), ContentWidget::ContactListView);
    whenModal<AddEditContactDialog>([](AddEditContactDialog *dialog) {
        QTest::keyClicks(child<QLineEdit>(dialog, "firstNameLineEdit"), QStringLiteral("Ignatius"));
        QTest::keyClicks(child<QLineEdit>(dialog, "lastNameLineEdit"), QStringLiteral("Vornholt"));
        QTest::keyClicks(child<QLineEdit>(dialog, "emailLineEdit"),
                         QStringLiteral("ignatius@vornholt-box.example"));
        QTest::keyClicks(child<QLineEdit>(dialog, "addressLineEdit"), QStringLiteral("3 Wexcombe Rise"));
        QTest::keyClicks(child<QLineEdit>(dialog, "phoneLineEdit"), kNewPhone);
        QTest::mouseClick(button(dialog, "addSaveContactButton"), Qt::LeftButton);
    });
    QVERIFY(press(child(content(), "addContactTopMenuButton")));
    QTRY_VERIFY(book->contactByPhoneNumber(kNewPhone));
    const QString nick = book->contactByPhoneNumber(kNewPhone)->nick();
    QTRY_VERIFY(!m_webservice.contact(kUser, nick).isEmpty());
    whenModal<AddEditContactDialog>([](AddEditContactDialog *dialog) {
        QTest::keyClicks(child<QLineEdit>(dialog, "lastNameLineEdit"), QStringLiteral("-Ormsby"));
        QTest::mouseClick(button(dialog, "addSaveContactButton"), Qt::LeftButton);
    });
    QVERIFY(chooseFromRowMenu(ContactsTreeModel::NickRole, nick, QStringLiteral("Edit")));
    QTRY_COMPARE(m_webservice.contact(kUser, nick).value(QStringLiteral("lastName")).toString(),
                 QStringLiteral("Vornholt-Ormsby"));

    // A group added, renamed, and deleted; the contact's group deleted with it.
    whenModal<AddEditGroupDialog>([](AddEditGroupDialog *dialog) {
        QTest::keyClicks(child<QLineEdit>(dialog, "groupNameLineEdit"), QStringLiteral("Marchbanks"));
        QTest::mouseClick(button(dialog, "saveCreateGroupButton"), Qt::LeftButton);
    });
    QVERIFY(press(child(content(), "addGroupTopMenuButton")));
    QTRY_VERIFY(m_webservice.groups(kUser).contains(QStringLiteral("Marchbanks")));
    whenModal<AddEditGroupDialog>([](AddEditGroupDialog *dialog) {
        auto *name = child<QLineEdit>(dialog, "groupNameLineEdit");
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, QStringLiteral("Thistlewick"));
        QTest::mouseClick(button(dialog, "saveCreateGroupButton"), Qt::LeftButton);
    });
    QVERIFY(chooseFromRowMenu(ContactsTreeModel::GroupNameRole, QStringLiteral("Marchbanks"),
                              QStringLiteral("Edit")));
    QTRY_VERIFY(m_webservice.groups(kUser).contains(QStringLiteral("Thistlewick")));
    for (const QString &group : {QStringLiteral("Thistlewick"), QStringLiteral("Xylander clan")}) {
        UiTesting::when(
            [this] { return content()->currentView() == ContentWidget::QueryUserView; },
            [this] { QTest::mouseClick(button(content(), "queryUserOkButton"), Qt::LeftButton); });
        QVERIFY(chooseFromRowMenu(ContactsTreeModel::GroupNameRole, group,
                                  QStringLiteral("Delete group and contacts")));
        QTRY_VERIFY(!m_webservice.groups(kUser).contains(group));
    }
    QTRY_VERIFY(!m_webservice.contactNicks(kUser).contains(QStringLiteral("Barnaby") + kCaller));

    const QString log = QString::fromUtf8(TestEnvironment::fileContents(TraceLog::logFilePath()));
    QVERIFY(log.count(QLatin1Char('\n')) > 100);
    const QStringList secrets {kUser,
                               kPassword,
                               kAccountFirst,
                               kAccountLast,
                               kAccountEmail,
                               kAccountPhone,
                               kDialled,
                               kCaller,
                               kOtherCaller,
                               kNewPhone,
                               kSmsText,
                               QStringLiteral("Barnaby"),
                               QStringLiteral("Xylander"),
                               QStringLiteral("barnaby@xylander-mail"),
                               QStringLiteral("Quernmore"),
                               QStringLiteral("Ignatius"),
                               QStringLiteral("Vornholt"),
                               QStringLiteral("Ormsby"),
                               QStringLiteral("vornholt-box"),
                               QStringLiteral("Wexcombe"),
                               QStringLiteral("Marchbanks"),
                               QStringLiteral("Thistlewick"),
                               nick};
    for (const QString &secret : secrets) {
        // Numbers also without their country prefix, however they were split.
        const QString part = secret.front().isDigit() ? secret.right(9) : secret;
        QVERIFY2(!log.contains(part, Qt::CaseInsensitive), qPrintable(part));
    }
    // The lines are there, with ids in place of the values.
    for (const QString &value :
         {QStringLiteral("+") + kDialled, kCaller, kOtherCaller, nick, QStringLiteral("Xylander clan")})
        QVERIFY2(log.contains(Trace::tag(value)), qPrintable(value));
}

LINKORA_APPLICATION_TEST_MAIN(TestPrivateLog)

#include "tst_privatelog.moc"
