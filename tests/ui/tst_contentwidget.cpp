#include "history/history.h"
#include "history/loginhistory.h"
#include "settings/settings.h"
#include "support/testenvironment.h"
#include "ui/contentwidget.h"
#include "ui/menubutton.h"
#include "ui/pinselectpage.h"
#include "uitesthelpers.h"
#include "util/connectivitycheck.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace UiTesting;

class TestContentWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formHoldsEveryWidgetInPlace();
    void eachViewShowsItsPages_data();
    void eachViewShowsItsPages();
    void switchToTheCurrentViewChangesNothing();
    void questionAnswers_data();
    void questionAnswers();
    void secondQuestionIsRefused();
    void loginFieldsAreValidated_data();
    void loginFieldsAreValidated();
    void validLoginStoresTheChoicesAndNamesThePinPage();
    void rememberMeEnablesAutomaticSignIn();
    void returnInTheNameFieldLogsIn();
    void rememberedNamesFillThePassword();
    void loginViewForgetsAnUnrememberedUser();
    void busyStateShowsTheSpinner();
    void automaticSignInWaitsForTheNetwork();
    void automaticSignInDoesNotHoldUpTheGui();
    void automaticSignInOffDoesNothing();
    void pinPageOffersItsEntries();
    void pinChoiceEndsTheWait();
    void pinLabelShowsPinAndBalance_data();
    void pinLabelShowsPinAndBalance();

private:
    template<typename T>
    T *child(const char *name) const
    {
        T *found = m_widget->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QComboBox *loginCombo() const { return child<QComboBox>("loginCombo"); }
    QLineEdit *passwordEdit() const { return child<QLineEdit>("passwordLineEdit"); }
    QString currentPage(const char *stack) const
    {
        return child<QStackedWidget>(stack)->currentWidget()->objectName();
    }
    // Runs the action as soon as the nested loop of a question or a PIN
    // wait has started.
    void whenWaiting(std::function<void()> action);

    int m_case = 0;
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<History> m_history;
    std::unique_ptr<ContentWidget> m_widget;
    // No test waits in front of a real message box.
    std::unique_ptr<PromptRecorder> m_prompts;
};

void TestContentWidget::init()
{
    m_prompts = std::make_unique<PromptRecorder>();
    m_store = std::make_unique<CaseStore>(QStringLiteral("content%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());
    m_history = std::make_unique<History>();
    m_widget = std::make_unique<ContentWidget>();
    m_widget->setSettings(m_settings.get());
    m_widget->setHistory(m_history.get());
}

void TestContentWidget::cleanup()
{
    m_widget.reset();
    m_history.reset();
    m_settings.reset();
    m_store->closeDatabases();
    m_store.reset();
    m_prompts.reset();
}

void TestContentWidget::whenWaiting(std::function<void()> action)
{
    QTimer::singleShot(0, m_widget.get(), [this, action] {
        QTRY_COMPARE(m_widget->currentView() == ContentWidget::QueryUserView
                         || m_widget->currentView() == ContentWidget::PinSelectView,
                     true);
        action();
    });
}

void TestContentWidget::formHoldsEveryWidgetInPlace()
{
    // The style sheets select on these names and classes.
    const QList<QPair<const char *, const char *>> widgets = {
        {"liveConversationPanel", "QWidget"},
        {"backButton", "QPushButton"},
        {"conversationLabel", "QLabel"},
        {"numberLabel", "QLabel"},
        {"timeLabel", "QLabel"},
        {"pinWidget", "QWidget"},
        {"pinLabel", "QLabel"},
        {"pinSelectButton", "QPushButton"},
        {"pendingCallInfoWidget", "QWidget"},
        {"callInfoBackButton", "QPushButton"},
        {"callProgressInfoLabel", "QLabel"},
        {"volTopMenuButton", "MenuButton"},
        {"micTopMenuButton", "MenuButton"},
        {"holdTopMenuButton", "MenuButton"},
        {"swapTopMenuButton", "MenuButton"},
        {"ratesTopMenuButton", "MenuButton"},
        {"viewGroupsTopMenuButton", "MenuButton"},
        {"addContactTopMenuButton", "MenuButton"},
        {"addGroupTopMenuButton", "MenuButton"},
        {"callHistoryTopMenuButton", "MenuButton"},
        {"smsTopMenuBackButton", "QPushButton"},
        {"smsTitleLabel", "QLabel"},
        {"smsRatesTopMenuButton", "MenuButton"},
        {"detailsTopMenuBackButton", "QPushButton"},
        {"detailsTitleLabel", "QLabel"},
        {"contactCallHistoryTopMenuButton", "MenuButton"},
        {"voicemailTopMenuButton", "MenuButton"},
        {"callForwardTitleLabel", "QLabel"},
        {"callForwardRatesTopMenuButton", "MenuButton"},
        {"callForwardVirtualNumberTopMenuButton", "MenuButton"},
        {"callForwardVoicemailTopMenuButton", "MenuButton"},
        {"callHistoryTopMenuBackButton", "QPushButton"},
        {"filterSelectorBackground", "QWidget"},
        {"oneDayTopMenuButton", "CustomPushButton"},
        {"sevenDaysTopMenuButton", "CustomPushButton"},
        {"allTimeTopMenuButton", "CustomPushButton"},
        {"clearHistoryTopMenuButton", "MenuButton"},
        {"voicemailVolumeTopMenuButton", "MenuButton"},
        {"vmFilterSelectorBackground", "QWidget"},
        {"oneDayVMTopMenuButton", "CustomPushButton"},
        {"sevenDaysVMTopMenuButton", "CustomPushButton"},
        {"allTimeVMTopMenuButton", "CustomPushButton"},
        {"clearVoicemailsTopMenuButton", "MenuButton"},
        {"logoLabel", "QLabel"},
        {"loginLabel", "QLabel"},
        {"loginCombo", "QComboBox"},
        {"passwordLabel", "QLabel"},
        {"passwordLineEdit", "QLineEdit"},
        {"rememberMeCheckBox", "QCheckBox"},
        {"signInAutoCheckBox", "QCheckBox"},
        {"loginButton", "QPushButton"},
        {"loginUserLabel", "QLabel"},
        {"label_3", "QLabel"},
        {"loginSpinnerLabel", "QLabel"},
        {"queryUserExtraLabel", "QLabel"},
        {"queryUserQuestionLabel", "QLabel"},
        {"queryUserOkButton", "QPushButton"},
        {"queryUserCancelButton", "QPushButton"},
        {"newAccountMenuButton", "MenuButton"},
        {"forgotMenuButton", "MenuButton"},
        {"dialPadMenuButton", "MenuButton"},
        {"contactListMenuButton", "MenuButton"},
        {"virtualNumberMenuButton", "MenuButton"},
        {"callForwardMenuButton", "MenuButton"},
        {"newDialPadMenuButton", "QPushButton"},
        {"newMainMenuSeparator", "QLabel"},
        {"newContactListButton", "QPushButton"},
    };
    for (const auto &[name, className] : widgets) {
        const QWidget *widget = m_widget->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(widget, name);
        QVERIFY2(widget->inherits(className), name);
    }

    const QList<QPair<const char *, QStringList>> stacks = {
        {"topToolBarStackedWidget",
         {"topMenuDialPadPage", "topMenuContactListPage", "smsTopMenuPage", "topMenuContactDetailsPage",
          "topMenuVirtualNumbersPage", "topMenuCallForwardPage", "topMenuCallHistory",
          "topMenuVoicemailPage"}},
        {"mainStackedWidget",
         {"loginPage", "pinPage", "dialPadPage", "smsPage", "contactListPage", "contactDetailsPage",
          "virtualNumbersPage", "callForwardPage", "callHistoryPage", "voicemailPage", "queryUserPage"}},
        {"loginPageStackedWidget", {"loginFormPage", "loginProgressPage"}},
        {"bottomToolbarStackedWidget", {"loginMenuPage", "mainMenuPage", "newMainMenuPage", "emptyMenuPage"}},
    };
    for (const auto &[name, pages] : stacks) {
        const auto *stack = child<QStackedWidget>(name);
        QStringList found;
        for (int i = 0; i < stack->count(); ++i)
            found << stack->widget(i)->objectName();
        QCOMPARE(found, pages);
    }
    QVERIFY(child<QStackedWidget>("mainStackedWidget")->widget(1)->inherits("PINSelectPage"));
    QVERIFY(child<QStackedWidget>("mainStackedWidget")->widget(2)->inherits("DialPadPage"));

    // Before the first switch.
    QCOMPARE(currentPage("topToolBarStackedWidget"), QStringLiteral("topMenuDialPadPage"));
    QCOMPARE(currentPage("mainStackedWidget"), QStringLiteral("loginPage"));
    QCOMPARE(currentPage("loginPageStackedWidget"), QStringLiteral("loginFormPage"));
    QCOMPARE(currentPage("bottomToolbarStackedWidget"), QStringLiteral("mainMenuPage"));

    for (const char *row : {"oneDayTopMenuButton", "oneDayVMTopMenuButton"}) {
        const QButtonGroup *group = child<QAbstractButton>(row)->group();
        QVERIFY(group && group->exclusive());
        QCOMPARE(group->checkedId(), 0);
        QVERIFY(group->checkedButton()->objectName().startsWith(QLatin1String("allTime")));
    }
    QCOMPARE(child<QWidget>("oneDayTopMenuButton")->property("_historyFilter").toBool(), true);
    QVERIFY(!child<QWidget>("oneDayVMTopMenuButton")->property("_historyFilter").isValid());

    for (const char *hidden : {"pinWidget", "pendingCallInfoWidget", "liveConversationPanel",
                               "newAccountMenuButton", "voicemailTopMenuButton", "callHistoryTopMenuButton",
                               "callHistoryPage", "holdTopMenuButton", "swapTopMenuButton"})
        QVERIFY2(child<QWidget>(hidden)->isHidden(), hidden);

    QCOMPARE(passwordEdit()->echoMode(), QLineEdit::Password);
    QVERIFY(loginCombo()->isEditable());
    QVERIFY(!loginCombo()->acceptDrops() && !passwordEdit()->acceptDrops());
}

void TestContentWidget::eachViewShowsItsPages_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("mainPage");
    QTest::addColumn<QString>("topPage"); // empty: the top toolbar is hidden
    QTest::addColumn<QString>("bottomPage"); // empty: the bottom menu is hidden
    QTest::addColumn<QString>("selectedButton");

    QTest::newRow("login") << 0 << "loginPage"
                           << ""
                           << "loginMenuPage"
                           << "";
    QTest::newRow("pin") << 1 << "pinPage"
                         << ""
                         << "emptyMenuPage"
                         << "";
    QTest::newRow("dial pad") << 2 << "dialPadPage"
                              << "topMenuDialPadPage"
                              << "mainMenuPage"
                              << "dialPadMenuButton";
    QTest::newRow("sms") << 3 << "smsPage"
                         << "smsTopMenuPage"
                         << "mainMenuPage"
                         << "dialPadMenuButton";
    QTest::newRow("contacts") << 4 << "contactListPage"
                              << "topMenuContactListPage"
                              << "mainMenuPage"
                              << "contactListMenuButton";
    QTest::newRow("details") << 5 << "contactDetailsPage"
                             << "topMenuContactDetailsPage"
                             << "mainMenuPage"
                             << "contactListMenuButton";
    QTest::newRow("virtual numbers") << 6 << "virtualNumbersPage"
                                     << "topMenuVirtualNumbersPage"
                                     << "mainMenuPage"
                                     << "virtualNumberMenuButton";
    QTest::newRow("call forward") << 7 << "callForwardPage"
                                  << "topMenuCallForwardPage"
                                  << "mainMenuPage"
                                  << "callForwardMenuButton";
    QTest::newRow("call history") << 8 << "callHistoryPage"
                                  << "topMenuCallHistory"
                                  << "mainMenuPage"
                                  << "contactListMenuButton";
    QTest::newRow("voicemail") << 9 << "voicemailPage"
                               << "topMenuVoicemailPage"
                               << "mainMenuPage"
                               << "";
    QTest::newRow("question") << 10 << "queryUserPage"
                              << ""
                              << ""
                              << "";
}

void TestContentWidget::eachViewShowsItsPages()
{
    QFETCH(int, view);
    QFETCH(QString, mainPage);
    QFETCH(QString, topPage);
    QFETCH(QString, bottomPage);
    QFETCH(QString, selectedButton);

    // Start from a view that selects another bottom button.
    m_widget->setView(ContentWidget::VirtualNumbersView, false);
    if (view == ContentWidget::VirtualNumbersView)
        m_widget->setView(ContentWidget::DialPadView, false);
    m_widget->setView(static_cast<ContentWidget::View>(view), false);

    QCOMPARE(int(m_widget->currentView()), view);
    QCOMPARE(currentPage("mainStackedWidget"), mainPage);
    QCOMPARE(child<QStackedWidget>("mainStackedWidget")->currentWidget()->isHidden(), false);
    const auto *top = child<QStackedWidget>("topToolBarStackedWidget");
    QCOMPARE(top->isHidden(), topPage.isEmpty());
    if (!topPage.isEmpty())
        QCOMPARE(top->currentWidget()->objectName(), topPage);
    const auto *bottom = child<QStackedWidget>("bottomToolbarStackedWidget");
    QCOMPARE(bottom->isHidden(), bottomPage.isEmpty());
    if (!bottomPage.isEmpty())
        QCOMPARE(bottom->currentWidget()->objectName(), bottomPage);

    QStringList selected;
    for (const char *name :
         {"dialPadMenuButton", "contactListMenuButton", "virtualNumberMenuButton", "callForwardMenuButton"}) {
        if (child<MenuButton>(name)->isSelected())
            selected << QLatin1String(name);
    }
    if (!bottomPage.isEmpty() && bottomPage == QLatin1String("mainMenuPage"))
        QCOMPARE(selected, selectedButton.isEmpty() ? QStringList() : QStringList {selectedButton});
    QVERIFY(child<QWidget>("contactCallHistoryTopMenuButton")->isHidden());
}

void TestContentWidget::switchToTheCurrentViewChangesNothing()
{
    m_widget->setView(ContentWidget::DialPadView, false);
    auto *main = child<QStackedWidget>("mainStackedWidget");
    main->setCurrentIndex(0);
    m_widget->setView(ContentWidget::DialPadView, true);
    QCOMPARE(main->currentWidget()->objectName(), QStringLiteral("loginPage"));

    // A switch to the question view while a question is open leaves it open.
    whenWaiting([this] {
        m_widget->setView(ContentWidget::QueryUserView, false);
        QTimer::singleShot(0, child<QPushButton>("queryUserOkButton"), &QPushButton::click);
    });
    QVERIFY(m_widget->queryUser(QStringLiteral("Quit?"), QString()));
}

void TestContentWidget::questionAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("viewAfter");
    QTest::addColumn<QString>("pageAfter");

    QTest::newRow("ok") << "ok" << true << int(ContentWidget::ContactListView) << "contactListPage";
    QTest::newRow("cancel") << "cancel" << false << int(ContentWidget::ContactListView) << "contactListPage";
    // The caller that cancelled switches next: only the view is put back.
    QTest::newRow("cancelled from outside")
        << "cancelQuery" << false << int(ContentWidget::ContactListView) << "queryUserPage";
    // A connection loss during the question: the login view stays.
    QTest::newRow("another view chosen") << "switch" << false << int(ContentWidget::LoginView) << "loginPage";
}

void TestContentWidget::questionAnswers()
{
    QFETCH(QString, how);
    QFETCH(bool, answer);
    QFETCH(int, viewAfter);
    QFETCH(QString, pageAfter);

    m_widget->setView(ContentWidget::ContactListView, false);
    whenWaiting([this, how] {
        QCOMPARE(currentPage("mainStackedWidget"), QStringLiteral("queryUserPage"));
        QCOMPARE(child<QLabel>("queryUserQuestionLabel")->text(), QStringLiteral("Delete?"));
        QCOMPARE(child<QLabel>("queryUserExtraLabel")->text(), QStringLiteral("Ann Lee"));
        QVERIFY(child<QPushButton>("queryUserOkButton")->isDefault());
        if (how == QLatin1String("ok"))
            child<QPushButton>("queryUserOkButton")->click();
        else if (how == QLatin1String("cancel"))
            child<QPushButton>("queryUserCancelButton")->click();
        else if (how == QLatin1String("cancelQuery"))
            m_widget->cancelQuery();
        else
            m_widget->setView(ContentWidget::LoginView, false);
    });
    QCOMPARE(m_widget->queryUser(QStringLiteral("Delete?"), QStringLiteral("Ann Lee")), answer);
    QCOMPARE(int(m_widget->currentView()), viewAfter);
    QCOMPARE(currentPage("mainStackedWidget"), pageAfter);
}

void TestContentWidget::secondQuestionIsRefused()
{
    m_widget->setView(ContentWidget::DialPadView, false);
    bool second = true;
    whenWaiting([this, &second] {
        second = m_widget->queryUser(QStringLiteral("Logout?"), QStringLiteral("second"));
        // The open question is untouched and still waits for its answer.
        QCOMPARE(child<QLabel>("queryUserQuestionLabel")->text(), QStringLiteral("Quit?"));
        QCOMPARE(m_widget->currentView(), ContentWidget::QueryUserView);
        child<QPushButton>("queryUserOkButton")->click();
    });
    QVERIFY(m_widget->queryUser(QStringLiteral("Quit?"), QString()));
    QVERIFY(!second);
    QCOMPARE(m_widget->currentView(), ContentWidget::DialPadView);
}

void TestContentWidget::loginFieldsAreValidated_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message"); // empty: the login goes out

    QTest::newRow("no name") << ""
                             << "secret"
                             << "Please provide a user name!";
    QTest::newRow("blank name") << "   "
                                << "secret"
                                << "Please provide a user name!";
    QTest::newRow("no password") << "ann@example.com"
                                 << ""
                                 << "Please provide a valid password!";
    QTest::newRow("blank password") << "ann@example.com"
                                    << "  \t"
                                    << "Please provide a valid password!";
    QTest::newRow("blanks around both") << " ann@example.com "
                                        << "  secret"
                                        << "";
}

void TestContentWidget::loginFieldsAreValidated()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);

    const PromptRecorder &prompts = *m_prompts;
    QSignalSpy clicked(m_widget.get(), &ContentWidget::loginClicked);
    m_widget->setView(ContentWidget::LoginView, false);
    child<QCheckBox>("rememberMeCheckBox")->setChecked(true);
    loginCombo()->setEditText(name);
    passwordEdit()->setText(password);
    child<QPushButton>("loginButton")->click();

    if (message.isEmpty()) {
        QCOMPARE(prompts.requests.size(), 0);
        QCOMPARE(clicked.size(), 1);
        // Sent as typed.
        QCOMPARE(clicked.first(), (QVariantList {name, password}));
        QCOMPARE(m_settings->rememberLogin(false), true);
        QCOMPARE(currentPage("loginPageStackedWidget"), QStringLiteral("loginProgressPage"));
    } else {
        QCOMPARE(prompts.titles(), QStringList {QStringLiteral("Error")});
        QCOMPARE(prompts.texts(), QStringList {message});
        QCOMPARE(prompts.requests.first().icon, QMessageBox::Critical);
        QCOMPARE(clicked.size(), 0);
        QCOMPARE(m_settings->rememberLogin(false), false);
        QCOMPARE(currentPage("loginPageStackedWidget"), QStringLiteral("loginFormPage"));
    }
}

void TestContentWidget::validLoginStoresTheChoicesAndNamesThePinPage()
{
    m_widget->setView(ContentWidget::LoginView, false);
    auto *pinPage = child<PINSelectPage>("pinPage");
    pinPage->setUserName(QStringLiteral("before"));

    loginCombo()->setEditText(QStringLiteral("plainname"));
    passwordEdit()->setText(QStringLiteral("pw"));
    child<QCheckBox>("rememberMeCheckBox")->setChecked(true);
    child<QCheckBox>("signInAutoCheckBox")->setChecked(true);
    child<QPushButton>("loginButton")->click();
    QCOMPARE(pinPage->userName(), QStringLiteral("before"));
    QCOMPARE(m_settings->rememberLogin(false), true);
    QCOMPARE(m_settings->autoLogin(false), true);

    m_widget->setLoginInProgress(false);
    loginCombo()->setEditText(QStringLiteral("a@b@c"));
    passwordEdit()->setText(QStringLiteral("pw"));
    child<QCheckBox>("rememberMeCheckBox")->setChecked(false);
    child<QPushButton>("loginButton")->click();
    QCOMPARE(pinPage->userName(), QStringLiteral("a"));
    QCOMPARE(m_settings->rememberLogin(true), false);
    QCOMPARE(m_settings->autoLogin(true), false);
}

void TestContentWidget::rememberMeEnablesAutomaticSignIn()
{
    auto *remember = child<QCheckBox>("rememberMeCheckBox");
    auto *automatic = child<QCheckBox>("signInAutoCheckBox");
    QVERIFY(!remember->isChecked());
    QVERIFY(!automatic->isEnabled());

    remember->setChecked(true);
    QVERIFY(automatic->isEnabled());
    automatic->setChecked(true);
    remember->setChecked(false);
    QVERIFY(!automatic->isEnabled());
    QVERIFY(!automatic->isChecked());
    remember->setChecked(true);
    QVERIFY(automatic->isEnabled());
    QVERIFY(!automatic->isChecked());
}

void TestContentWidget::returnInTheNameFieldLogsIn()
{
    m_settings->setRememberLogin(true);
    m_history->loginHistory()->addIfNew(QStringLiteral("bob@example.com"));
    m_widget->setView(ContentWidget::LoginView, false);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));

    // Keys go where the keyboard sends them: to the focused combo box.
    m_widget->activateWindow();
    loginCombo()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), loginCombo());

    QSignalSpy clicked(m_widget.get(), &ContentWidget::loginClicked);
    loginCombo()->clearEditText();
    QTest::keyClicks(loginCombo(), QStringLiteral("new@example.com"));
    passwordEdit()->setText(QStringLiteral("typed"));
    QTest::keyClick(loginCombo(), Qt::Key_Return);

    // The typed name is not inserted, so the password stays.
    QCOMPARE(m_prompts->texts(), QStringList());
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.first(), (QVariantList {QStringLiteral("new@example.com"), QStringLiteral("typed")}));
    QCOMPARE(loginCombo()->count(), 1);
}

void TestContentWidget::rememberedNamesFillThePassword()
{
    m_settings->setRememberLogin(true);
    m_settings->setLoginUser(QStringLiteral("ann@example.com"));
    m_settings->setLoginPassword(QStringLiteral("annpw"));
    m_history->loginHistory()->addIfNew(QStringLiteral("ann@example.com"));
    m_history->loginHistory()->addIfNew(QStringLiteral("bob@example.com"));

    m_widget->setView(ContentWidget::LoginView, false);
    QCOMPARE(loginCombo()->count(), 2);
    QCOMPARE(m_widget->loginName(), QStringLiteral("ann@example.com"));
    QCOMPARE(m_widget->password(), QStringLiteral("annpw"));

    loginCombo()->setCurrentIndex(loginCombo()->findText(QStringLiteral("bob@example.com")));
    QCOMPARE(m_widget->password(), QString());
    loginCombo()->setCurrentIndex(loginCombo()->findText(QStringLiteral("ann@example.com")));
    QCOMPARE(m_widget->password(), QStringLiteral("annpw"));

    // Typing in the name field empties the password.
    QTest::keyClick(loginCombo()->lineEdit(), Qt::Key_X);
    QCOMPARE(m_widget->password(), QString());
}

void TestContentWidget::loginViewForgetsAnUnrememberedUser()
{
    m_settings->setLoginUser(QStringLiteral("ann@example.com"));
    m_settings->setLoginPassword(QStringLiteral("annpw"));
    m_history->loginHistory()->addIfNew(QStringLiteral("ann@example.com"));

    m_widget->setView(ContentWidget::LoginView, false);
    QCOMPARE(loginCombo()->count(), 0);
    QCOMPARE(m_widget->loginName(), QString());
    QCOMPARE(m_widget->password(), QString());
    QCOMPARE(m_settings->loginUser(QStringLiteral("gone")), QStringLiteral("gone"));
    QCOMPARE(m_settings->loginPassword(QStringLiteral("gone")), QStringLiteral("gone"));
    QCOMPARE(m_history->loginHistory()->names(), QStringList());
}

void TestContentWidget::busyStateShowsTheSpinner()
{
    m_widget->setView(ContentWidget::LoginView, false);
    loginCombo()->setEditText(QStringLiteral("ann@example.com"));
    auto *spinner = child<QLabel>("loginSpinnerLabel")->movie();
    QVERIFY(spinner && spinner->isValid());

    m_widget->setLoginInProgress(true);
    QCOMPARE(currentPage("loginPageStackedWidget"), QStringLiteral("loginProgressPage"));
    QCOMPARE(spinner->state(), QMovie::Running);
    QCOMPARE(child<QLabel>("loginUserLabel")->text(), QStringLiteral("ann@example.com"));
    QVERIFY(!child<QWidget>("forgotMenuButton")->isEnabled());

    m_widget->setLoginInProgress(false);
    QCOMPARE(currentPage("loginPageStackedWidget"), QStringLiteral("loginFormPage"));
    QCOMPARE(spinner->state(), QMovie::NotRunning);
    QVERIFY(child<QWidget>("forgotMenuButton")->isEnabled());
}

void TestContentWidget::automaticSignInWaitsForTheNetwork()
{
    ConnectivityProbe probe(false);
    m_settings->setRememberLogin(true);
    m_settings->setAutoLogin(true);
    m_settings->setLoginUser(QStringLiteral("ann@example.com"));
    m_settings->setLoginPassword(QStringLiteral("annpw"));
    m_widget->setView(ContentWidget::LoginView, false);

    QSignalSpy clicked(m_widget.get(), &ContentWidget::loginClicked);
    m_widget->doAutoLogin();
    // Asked again about once a second while offline.
    QTRY_VERIFY(m_widget->findChild<QTimer *>(QStringLiteral("autoLoginTimer")));
    auto *retry = child<QTimer>("autoLoginTimer");
    QCOMPARE(retry->interval(), 1000);
    QVERIFY(retry->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(probe.calls() >= 3, 10000);
    QCOMPARE(clicked.size(), 0);

    probe.setOnline(true);
    QTRY_COMPARE_WITH_TIMEOUT(clicked.size(), 1, 10000);
    QCOMPARE(clicked.first(), (QVariantList {QStringLiteral("ann@example.com"), QStringLiteral("annpw")}));
    // Signed in: no question is out and none will be asked.
    QVERIFY(!retry->isActive());
    QVERIFY(!m_widget->findChild<ConnectivityCheck *>()->isRunning());
    QCOMPARE(clicked.size(), 1);
}

void TestContentWidget::automaticSignInDoesNotHoldUpTheGui()
{
    ConnectivityProbe probe(true);
    // The network takes its time to answer.
    probe.hold();
    m_settings->setRememberLogin(true);
    m_settings->setAutoLogin(true);
    m_settings->setLoginUser(QStringLiteral("ann@example.com"));
    m_settings->setLoginPassword(QStringLiteral("annpw"));
    m_widget->setView(ContentWidget::LoginView, false);

    QSignalSpy clicked(m_widget.get(), &ContentWidget::loginClicked);
    bool timerRan = false;
    QTimer::singleShot(0, m_widget.get(), [&] { timerRan = true; });
    m_widget->doAutoLogin();
    // Back before the answer, and the event loop turns while it is awaited.
    QCOMPARE(probe.answers(), 0);
    QCOMPARE(clicked.size(), 0);
    QTRY_COMPARE(probe.calls(), 1);
    QTRY_VERIFY(timerRan);
    QCOMPARE(clicked.size(), 0);
    probe.release();
    QTRY_COMPARE(clicked.size(), 1);
}

void TestContentWidget::automaticSignInOffDoesNothing()
{
    ConnectivityProbe probe(true);
    m_settings->setRememberLogin(true);
    m_settings->setLoginUser(QStringLiteral("ann@example.com"));
    m_settings->setLoginPassword(QStringLiteral("annpw"));
    m_widget->setView(ContentWidget::LoginView, false);
    QSignalSpy clicked(m_widget.get(), &ContentWidget::loginClicked);
    m_widget->doAutoLogin();
    // No question was started.
    QVERIFY(!m_widget->findChild<ConnectivityCheck *>()->isRunning());
    QVERIFY(!m_widget->findChild<QTimer *>(QStringLiteral("autoLoginTimer")));
    QCOMPARE(probe.calls(), 0);
    QCOMPARE(clicked.size(), 0);
}

void TestContentWidget::pinPageOffersItsEntries()
{
    PINSelectPage page;
    page.setSettings(m_settings.get());
    auto *combo = page.findChild<QComboBox *>(QStringLiteral("pinComobBox"));
    auto *skip = page.findChild<QCheckBox *>(QStringLiteral("skipPinSelectionCheckBox"));
    QSignalSpy selected(&page, &PINSelectPage::PINSelected);

    page.setPINs({});
    QCOMPARE(combo->count(), 0);
    QVERIFY(skip->isHidden());
    QTest::keyClick(combo, Qt::Key_Return);
    page.onConfirmClicked();
    QCOMPARE(selected.size(), 0);

    page.setPINs({QStringLiteral("1234 - main")});
    QVERIFY(!skip->isHidden());
    page.setPINs({QStringLiteral("1234 - main"), QStringLiteral("5678 - other")});
    QVERIFY(skip->isHidden());
    QCOMPARE(page.currentPinIndex(), 0);
    page.setDefaultPIN(1);

    // Return and Enter confirm once each and go no further.
    QTest::keyClick(combo, Qt::Key_Return);
    QTest::keyClick(combo, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(selected.size(), 2);
    QCOMPARE(selected.first().first().toString(), QStringLiteral("5678 - other"));
    QCOMPARE(combo->count(), 2);
}

void TestContentWidget::pinChoiceEndsTheWait()
{
    auto *page = child<PINSelectPage>("pinPage");
    auto *pinStack = page->findChild<QStackedWidget *>(QStringLiteral("pinStackedWidget"));

    m_widget->setView(ContentWidget::LoginView, false);
    whenWaiting([page] { QMetaObject::invokeMethod(page, &PINSelectPage::onConfirmClicked); });
    m_widget->offerPinSelection({QStringLiteral("1234 - main")});
    // The choice is applied behind the spinner.
    QCOMPARE(pinStack->currentWidget()->objectName(), QStringLiteral("pageProgress"));
    QVERIFY(child<QLabel>("pinLabel")->text().startsWith(QLatin1String("PIN: 1234 - ")));
    m_widget->TMP_endPINprogress();
    QCOMPARE(m_widget->currentView(), ContentWidget::DialPadView);

    // Leaving through another view ends the wait without the spinner.
    QSignalSpy selected(page, &PINSelectPage::PINSelected);
    whenWaiting([this] { m_widget->setView(ContentWidget::ContactListView, false); });
    m_widget->showPinSelection(ContentWidget::DialPadView);
    QCOMPARE(pinStack->currentWidget()->objectName(), QStringLiteral("pageConfirm"));
    QCOMPARE(m_widget->currentView(), ContentWidget::ContactListView);
    // The page no longer reports to the widget.
    page->onConfirmClicked();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(m_widget->currentView(), ContentWidget::ContactListView);
}

void TestContentWidget::pinLabelShowsPinAndBalance_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("pinText");

    QTest::newRow("pin, blank, dash") << "1234 - main line"
                                      << "1234";
    QTest::newRow("no dash") << "1234"
                             << "1234";
    QTest::newRow("dash first") << "-1234"
                                << "-1234";
    QTest::newRow("dash right after the digits") << "1234-x"
                                                 << "123";
    // The label is markup for BUY: markup in an entry is shown as text.
    QTest::newRow("markup") << "<b>1 - x"
                            << "&lt;b&gt;1";
}

void TestContentWidget::pinLabelShowsPinAndBalance()
{
    QFETCH(QString, entry);
    QFETCH(QString, pinText);

    // Without a balance the label offers to buy credit.
    m_widget->updatePinLabel(entry);
    const auto *label = child<QLabel>("pinLabel");
    QCOMPARE(label->text(), QStringLiteral("PIN: %1 - <font color=red><b>BUY</b></font>").arg(pinText));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label->toolTip(), QStringLiteral("Click to buy credit"));
}

LINKORA_TEST_MAIN(TestContentWidget)
#include "tst_contentwidget.moc"
