#include "objfactory.h"

#include "history/history.h"
#include "phone/phone.h"
#include "rest/restmanager.h"
#include "settings/dbstore.h"
#include "settings/homeurls.h"
#include "settings/settings.h"
#include "settings/webserviceurls.h"
#include "talk/plixtalk.h"
#include "ui/contactmanager.h"
#include "update/updater.h"
#include "update/updaterdialog.h"
#include "update/updaterhelper.h"
#include "util/installationidstore.h"
#include "util/trace.h"

#include <QCoreApplication>

namespace {

ObjFactory *s_instance = nullptr;

QUrl &webserviceBaseUrlOverride()
{
    static QUrl url;
    return url;
}

} // namespace

ObjFactory::ObjFactory(QObject *parent)
    : QObject(parent)
    , m_dbStore(new DbStore(this))
{ }

ObjFactory::~ObjFactory()
{
    if (s_instance == this)
        s_instance = nullptr;

    delete m_history;
    delete m_settings;
    delete m_contactManager;
    delete m_webserviceUrls;
    delete m_homeUrls;
    delete m_phone;
    delete m_restManager;
    if (m_dbStore) {
        closeDb();
        delete m_dbStore;
    }
    delete m_updater;
    delete m_installationIdStore;
    // The talk object is our child and goes last, after everything that
    // holds it; the library's objects live until then.
}

ObjFactory *ObjFactory::instance()
{
    if (!s_instance)
        s_instance = new ObjFactory;
    return s_instance;
}

void ObjFactory::setWebserviceBaseUrl(const QUrl &baseUrl)
{
    webserviceBaseUrlOverride() = baseUrl;
}

QUrl ObjFactory::webserviceBaseUrl()
{
    return webserviceBaseUrlOverride();
}

DbStore *ObjFactory::dbStore()
{
    if (!m_dbStore)
        m_dbStore = new DbStore(this);
    return m_dbStore;
}

void ObjFactory::loadDb()
{
    if (m_databasesLoaded)
        return;
    TRACE << "loading databases for settings and history";
    dbStore()->loadDatabases();
    m_databasesLoaded = true;
}

void ObjFactory::closeDb()
{
    if (!m_databasesLoaded)
        return;
    dbStore()->closeDatabases();
    m_databasesLoaded = false;
    TRACE << "Closed databases for settings and history.";
}

WebserviceUrls *ObjFactory::webserviceUrls()
{
    if (!m_webserviceUrls) {
        const QUrl base = webserviceBaseUrl();
        m_webserviceUrls = base.isEmpty() ? new WebserviceUrls : new WebserviceUrls(base);
    }
    return m_webserviceUrls;
}

HomeUrls *ObjFactory::homeUrls()
{
    if (!m_homeUrls)
        m_homeUrls = new HomeUrls;
    return m_homeUrls;
}

RestManager *ObjFactory::restManager()
{
    if (!m_restManager) {
        m_restManager = new RestManager;
        m_restManager->setUrls(webserviceUrls());
        // Every request carries the installation id.
        m_restManager->setInstallationIdStore(installationIdStore());
    }
    return m_restManager;
}

talk::PlixTalk *ObjFactory::plixTalk()
{
    // A child rather than an orphan: it lives as long as the locator, which
    // lives to the end of the process, and is still freed should the
    // locator go.
    if (!m_talk)
        m_talk = new talk::PlixTalk(this);
    return m_talk;
}

Updater *ObjFactory::updater()
{
    if (!m_updater) {
        m_updater = new Updater;
        m_updater->setUpdaterDialog(new UpdaterDialog);
        m_updater->setUpdaterHelper(new UpdaterHelper);
        m_updater->currentVersion = QCoreApplication::applicationVersion();
    }
    return m_updater;
}

InstallationIdStore *ObjFactory::installationIdStore()
{
    if (!m_installationIdStore) {
        m_installationIdStore = new InstallationIdStore;
        m_installationIdStore->load();
    }
    return m_installationIdStore;
}

History *ObjFactory::history()
{
    if (!m_history) {
        m_history = new History(this);
        loadDb();
    }
    return m_history;
}

Settings *ObjFactory::settings()
{
    if (!m_settings) {
        m_settings = new Settings(dbStore(), this);
        m_settings->setTalk(plixTalk());
        // Pointed at a stand-in of the web service (the demo), the program
        // works only when started with it, never with the session.
        m_settings->setAutostartAvailable(webserviceBaseUrl().isEmpty());
        loadDb();
    }
    return m_settings;
}

ContactManager *ObjFactory::contactManager()
{
    if (!m_contactManager) {
        m_contactManager = new ContactManager(this);
        m_contactManager->setRestManager(restManager());
    }
    return m_contactManager;
}

Phone *ObjFactory::phone()
{
    if (!m_phone) {
        m_phone = new Phone(this);
        m_phone->setRestManager(restManager());
        m_phone->setTalk(plixTalk());
        m_phone->setContactManager(contactManager());
        m_phone->setSettings(settings());
        m_phone->setCallHistory(history()->callHistory());
    }
    return m_phone;
}
