#ifndef MAINWINDOWRIG_H
#define MAINWINDOWRIG_H

#include "history/history.h"
#include "phone/phonerig.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "support/casestore.h"
#include "ui/contentwidget.h"
#include "ui/mainwindow.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QString>
#include <QTest>

#include <memory>

// One run of the program: its services against the stand-ins, its database
// file, and the window wired the way the application object wires it.
struct MainWindowRig
{
    explicit MainWindowRig(const QString &databaseFile)
        : store(databaseFile)
    {
        store.loadDatabases();
        settings = std::make_unique<Settings>(&store);
        rig.phone->setSettings(settings.get());
        // The first-run dialog is modal; the cases about it turn it back on.
        settings->setShowWelcome(false);
        window = std::make_unique<MainWindow>();
        window->setSettings(settings.get());
        window->setPhone(rig.phone.get());
        window->setUrls(&urls);
        window->setRestManager(&rig.rest);
        window->setContactManager(&rig.contacts);
        window->setHistory(history.get());
        window->setTalk(rig.talk.get());
    }
    ~MainWindowRig()
    {
        window.reset();
        history.reset();
        settings.reset();
        store.closeDatabases();
    }
    Q_DISABLE_COPY(MainWindowRig)

    template<typename T>
    T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QAction *action(const char *name) const { return child<QAction>(name); }
    // Opens the menu bar's menu and clicks the entry, as a person does;
    // false when the menu does not open or the entry cannot be clicked.
    bool chooseFromMenu(const char *menuName, const char *actionName) const
    {
        return UiTesting::chooseFromMenuBar(child<QMenuBar>("menuBar"), child<QMenu>(menuName),
                                            action(actionName));
    }
    ContentWidget *content() const { return window->contentWidget(); }
    // Types the test account's name and password into the login view and
    // presses Return, as a person signs in.
    void typeSignIn() const
    {
        auto *password = child<QLineEdit>("passwordLineEdit");
        QTest::keyClicks(child<QComboBox>("loginCombo")->lineEdit(), PhoneRig::kUser);
        QTest::keyClicks(password, PhoneRig::kPassword);
        QTest::keyClick(password, Qt::Key_Return);
    }
    QString loginPage() const
    {
        return child<QStackedWidget>("loginPageStackedWidget")->currentWidget()->objectName();
    }

    PhoneRig rig;
    CaseStore store;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<History> history = std::make_unique<History>();
    HomeUrls urls;
    std::unique_ptr<MainWindow> window;
};

#endif // MAINWINDOWRIG_H
