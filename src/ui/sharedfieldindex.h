#ifndef UI_SHAREDFIELDINDEX_H
#define UI_SHAREDFIELDINDEX_H

#include "ui/contactgroup.h"

#include <QHash>
#include <QString>

// The phones and e-mail addresses of a set of contacts, each kept with the
// contact of the smallest nick that has it. What a walk through the contacts
// in nick order finds first sharing a phone or an address, found without the
// walk: an import checks thousands of contacts against a book of thousands.
class SharedFieldIndex
{
public:
    void add(const ContactPtr &contact);
    // The contact of the smallest nick that shares a phone number or an
    // e-mail address with the given one; empty texts are shared by none.
    ContactPtr find(const Contact &contact) const;

private:
    QHash<QString, ContactPtr> m_phones;
    QHash<QString, ContactPtr> m_emails;
};

#endif // UI_SHAREDFIELDINDEX_H
