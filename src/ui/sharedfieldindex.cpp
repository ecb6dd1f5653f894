#include "ui/sharedfieldindex.h"

#include "rest/contact.h"

namespace {

void keep(QHash<QString, ContactPtr> &index, const QString &key, const ContactPtr &contact)
{
    if (key.isEmpty())
        return;
    ContactPtr &kept = index[key];
    if (!kept || contact->nick() < kept->nick())
        kept = contact;
}

void consider(ContactPtr &found, const ContactPtr &candidate)
{
    if (candidate && (!found || candidate->nick() < found->nick()))
        found = candidate;
}

} // namespace

void SharedFieldIndex::add(const ContactPtr &contact)
{
    if (!contact)
        return;
    for (const PhoneNumber &phone : contact->phones())
        keep(m_phones, phone.number(), contact);
    for (const QString &email : contact->emails())
        keep(m_emails, email, contact);
}

ContactPtr SharedFieldIndex::find(const Contact &contact) const
{
    ContactPtr found;
    for (const PhoneNumber &phone : contact.phones()) {
        if (!phone.number().isEmpty())
            consider(found, m_phones.value(phone.number()));
    }
    for (const QString &email : contact.emails()) {
        if (!email.isEmpty())
            consider(found, m_emails.value(email));
    }
    return found;
}
