#ifndef IMPORTCONTACTS_IMPORTCONTACT_H
#define IMPORTCONTACTS_IMPORTCONTACT_H

#include <QMetaType>
#include <QString>
#include <QStringList>

class QDebug;

// One contact as a web-mail provider gave it.
class ImportContact
{
public:
    enum Type { Google = 0, Yahoo = 1 };

    // "GMail", "Yahoo!", or empty for an unknown type.
    QString typeName() const;
    // "First Last", either name alone, else the first e-mail address.
    QString displayName() const;

    QString firstName;
    QString middleName;
    QString lastName;
    QString nickName;
    QStringList emails;
    QStringList phones;
    QString address;
    qint32 type = Google;
};

// By first name, then last name; nothing else takes part.
bool operator<(const ImportContact &a, const ImportContact &b);

// Names the fields a contact has, never their values: the trace log leaves
// the computer with crash reports.
QDebug operator<<(QDebug dbg, const ImportContact &contact);

Q_DECLARE_METATYPE(ImportContact)

#endif // IMPORTCONTACTS_IMPORTCONTACT_H
