#ifndef PHONERIG_H
#define PHONERIG_H

#include "phone/phone.h"
#include "rest/restmanager.h"
#include "settings/webserviceurls.h"
#include "support/talktesting.h"
#include "support/webservicestandin.h"
#include "ui/contactmanager.h"
#include "util/installationidstore.h"

#include <QList>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// A Phone wired the way the service locator wires it, against the stand-in
// web service on loopback and the stand-in talk library, with short delays.
class PhoneRig
{
public:
    static inline const QString kUser = QStringLiteral("bob");
    static inline const QString kPassword = QStringLiteral("hunter2x");

    // The delays of a test: ratios as in the program, a fraction of the
    // length. The balance period outlasts any case, so that its requests and
    // updates come only where a case shortens it.
    static Phone::Delays shortDelays()
    {
        Phone::Delays delays;
        delays.balancePeriod = 10 * 60 * 1000;
        delays.balanceDelay = 100;
        delays.contactsDelay = 250;
        delays.virtualNumbersDelay = 100;
        delays.logoutDelay = 300;
        delays.liveBalanceDelay = 100;
        return delays;
    }

    // The rig owns talkSession; null makes a plain talk session.
    explicit PhoneRig(talk::PlixTalk *talkSession = nullptr)
    {
        server.listen();
        server.addAccount(kUser, kPassword);
        urls = std::make_unique<WebserviceUrls>(server.baseUrl());
        ids.load();
        rest.setUrls(urls.get());
        rest.setInstallationIdStore(&ids);
        talk.reset(talkSession ? talkSession : new talk::PlixTalk);
        talk->setReconnectDelays(20, 0);
        contacts.setRestManager(&rest);
        phone = std::make_unique<Phone>();
        phone->setDelays(shortDelays());
        phone->setRestManager(&rest);
        phone->setTalk(talk.get());
        phone->setContactManager(&contacts);
        // The application object hands the credentials on to the web requests.
        QObject::connect(phone.get(), &Phone::usernameChanged, &rest, &RestManager::onUsernameChanged);
        QObject::connect(phone.get(), &Phone::passwordChanged, &rest, &RestManager::onPasswordChanged);
    }

    ~PhoneRig()
    {
        phone.reset();
        talk.reset();
    }

    Q_DISABLE_COPY(PhoneRig)

    // Logs in and waits for the requests that follow a login to be answered.
    bool logIn()
    {
        QSignalSpy success(phone.get(), &Phone::loginSuccessful);
        const int contactLists = requests(QStringLiteral("contact"), "GET").size();
        phone->setCredentials(kUser, kPassword);
        if (!success.wait(5000) && success.isEmpty())
            return false;
        return waitForRequests(QStringLiteral("contact"), "GET", contactLists + 1);
    }

    // The answered requests of one resource and method.
    QList<WebserviceStandIn::Request> requests(const QString &resource, const QByteArray &method) const
    {
        QList<WebserviceStandIn::Request> matching;
        const QList<WebserviceStandIn::Request> all = server.requests();
        for (const WebserviceStandIn::Request &request : all) {
            if (request.resource == resource && request.method == method && request.status != 0)
                matching << request;
        }
        return matching;
    }

    bool waitForRequests(const QString &resource, const QByteArray &method, int count, int timeout = 5000)
    {
        return QTest::qWaitFor([&] { return requests(resource, method).size() >= count; }, timeout);
    }

    WebserviceStandIn server;
    std::unique_ptr<WebserviceUrls> urls;
    InstallationIdStore ids;
    RestManager rest;
    std::unique_ptr<talk::PlixTalk> talk;
    ContactManager contacts;
    std::unique_ptr<Phone> phone;
};

#endif // PHONERIG_H
