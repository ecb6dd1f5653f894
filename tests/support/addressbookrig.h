#ifndef ADDRESSBOOKRIG_H
#define ADDRESSBOOKRIG_H

#include "rest/restmanager.h"
#include "settings/webserviceurls.h"
#include "ui/contactmanager.h"
#include "util/installationidstore.h"
#include "webservicestandin.h"

#include <memory>

// The address book over the web-service stand-in, signed in as one account.
// Members go in reverse order: the book before the service it talks to.
struct AddressBookRig
{
    static inline const QString User = QStringLiteral("demo");
    static inline const QString Password = QStringLiteral("demo1234");

    bool start()
    {
        ids.load();
        if (!service.listen())
            return false;
        service.addAccount(User, Password);
        urls = std::make_unique<WebserviceUrls>(service.baseUrl());
        rest.setUrls(urls.get());
        rest.setInstallationIdStore(&ids);
        rest.setUsername(User);
        rest.setPassword(Password);
        book.setRestManager(&rest);
        return true;
    }

    InstallationIdStore ids;
    WebserviceStandIn service;
    std::unique_ptr<WebserviceUrls> urls;
    RestManager rest;
    ContactManager book;
};

#endif // ADDRESSBOOKRIG_H
