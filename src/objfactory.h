#ifndef OBJFACTORY_H
#define OBJFACTORY_H

#include <QObject>
#include <QUrl>

class ContactManager;
class DbStore;
class History;
class HomeUrls;
class InstallationIdStore;
class Phone;
class RestManager;
class Settings;
class Updater;
class WebserviceUrls;

namespace talk {
class PlixTalk;
}

// Creates, wires and owns the program's long-lived services. There is one
// per process (instance()); each service is made on its first request, and
// later requests return the same object. Asking for Settings or the history
// holder opens the database, so asking for Phone does too.
class ObjFactory : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ObjFactory)

public:
    explicit ObjFactory(QObject *parent = nullptr);
    ~ObjFactory() override;

    // The process's locator, made on the first call and never deleted.
    static ObjFactory *instance();

    // Reach every web-service resource directly below this address (a local
    // stand-in, say) instead of the brand's addresses. Applies to locators
    // that make their URL set and settings afterwards; such a program does
    // not start with the session. An empty URL restores the brand's.
    static void setWebserviceBaseUrl(const QUrl &baseUrl);
    static QUrl webserviceBaseUrl();

    DbStore *dbStore();
    // Opens the database once; later calls do nothing.
    void loadDb();
    // Closes what loadDb() opened, at the end of the program.
    void closeDb();
    WebserviceUrls *webserviceUrls();
    HomeUrls *homeUrls();
    RestManager *restManager();
    talk::PlixTalk *plixTalk();
    Updater *updater();
    InstallationIdStore *installationIdStore();
    History *history();
    Settings *settings();
    ContactManager *contactManager();
    Phone *phone();

private:
    bool m_databasesLoaded = false;
    History *m_history = nullptr;
    DbStore *m_dbStore;
    Settings *m_settings = nullptr;
    ContactManager *m_contactManager = nullptr;
    WebserviceUrls *m_webserviceUrls = nullptr;
    // Our own set, apart from HomeUrls::instance().
    HomeUrls *m_homeUrls = nullptr;
    Phone *m_phone = nullptr;
    RestManager *m_restManager = nullptr;
    talk::PlixTalk *m_talk = nullptr;
    Updater *m_updater = nullptr;
    InstallationIdStore *m_installationIdStore = nullptr;
};

#endif // OBJFACTORY_H
