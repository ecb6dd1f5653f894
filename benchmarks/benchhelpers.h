#ifndef BENCHHELPERS_H
#define BENCHHELPERS_H

#include "rest/contact.h"
#include "rest/group.h"
#include "support/webservicestandin.h"
#include "ui/contactmanager.h"

#include <QList>
#include <QString>
#include <QtTest>

#include <algorithm>

namespace Bench {

// Fills the book with the stand-in's sample address book: that many
// contacts spread over that many groups, as the service would send them.
inline void loadSampleBook(ContactManager &book, int contactCount, int groupCount)
{
    WebserviceStandIn records;
    records.addAccount(QStringLiteral("bench"), QStringLiteral("bench"));
    records.addSampleBook(QStringLiteral("bench"), contactCount, groupCount);
    QList<Group> groups;
    for (const QString &name : records.groups(QStringLiteral("bench")))
        groups << Group(name);
    QList<Contact> contacts;
    for (const QString &nick : records.contactNicks(QStringLiteral("bench")))
        contacts << Contact(records.contact(QStringLiteral("bench"), nick).toVariantMap());
    book.setGroups(groups);
    book.setContacts(contacts);
}

// The median of the samples is held to the limit on a release build; the
// slowest is shown, though a busy machine can make any one of them slow.
inline void reportMedian(const char *what, QList<qint64> samplesNs, double limitMs)
{
    std::sort(samplesNs.begin(), samplesNs.end());
    const double medianMs = samplesNs.at(samplesNs.size() / 2) / 1e6;
    qInfo("%s: median %.2f ms, slowest %.2f ms of %d (limit %.0f ms)", what, medianMs, samplesNs.last() / 1e6,
          int(samplesNs.size()), limitMs);
#ifdef QT_NO_DEBUG
    QVERIFY2(medianMs < limitMs, what);
#endif
}

} // namespace Bench

#endif // BENCHHELPERS_H
