#ifndef CENTRALRIG_H
#define CENTRALRIG_H

#include "history/callhistory.h"
#include "history/history.h"
#include "phone/phonerig.h"
#include "settings/settings.h"
#include "ui/contentwidget.h"
#include "ui/dialpadpage.h"
#include "uitesthelpers.h"

#include <QStackedWidget>

#include <memory>

// A central area wired the way the main window wires it, to a real Phone
// against both stand-ins, with a database of its own.
class CentralRig
{
public:
    explicit CentralRig(const QString &databaseName)
        : store(databaseName)
    {
        phone.server.setBalance(PhoneRig::kUser, 5.0, QStringLiteral("USD"), QStringLiteral("$"));
        store.loadDatabases();
        settings = std::make_unique<Settings>(&store);
        widget = std::make_unique<ContentWidget>();
        widget->setSettings(settings.get());
        widget->setPhone(phone.phone.get());
        widget->setContactManager(&phone.contacts);
        widget->setHistory(history.get());
        // As the service locator wires it: finished calls go to the history.
        phone.phone->setCallHistory(history->callHistory());
        widget->setTalk(phone.talk.get());
    }

    ~CentralRig()
    {
        widget.reset();
        history.reset();
        settings.reset();
        store.closeDatabases();
    }

    Q_DISABLE_COPY(CentralRig)

    template<typename T>
    T *child(const char *name) const
    {
        return widget->findChild<T *>(QLatin1String(name));
    }

    QString currentPage() const
    {
        return child<QStackedWidget>("mainStackedWidget")->currentWidget()->objectName();
    }

    UiTesting::PromptRecorder prompts;
    CaseStore store;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<History> history = std::make_unique<History>();
    PhoneRig phone;
    std::unique_ptr<ContentWidget> widget;
};

#endif // CENTRALRIG_H
