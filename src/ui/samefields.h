#ifndef UI_SAMEFIELDS_H
#define UI_SAMEFIELDS_H

#include <QDebug>
#include <QList>
#include <QMetaType>
#include <QSet>

class Contact;

// What an existing contact has in common with one being checked: a set of
// small codes. Also holds the comparisons the duplicate checks are made of.
class SameFields
{
public:
    enum Field {
        Nothing = 0, // only from the contact-based check
        SameContact = 1,
        SameName = 2,
        SameEmail = 3,
        SamePhone = 4,
    };

    SameFields() = default;
    SameFields(std::initializer_list<int> fields)
        : m_fields(fields)
    { }

    void insert(Field field) { m_fields.insert(field); }
    bool contains(Field field) const { return m_fields.contains(field); }
    bool isEmpty() const { return m_fields.isEmpty(); }
    int size() const { return m_fields.size(); }
    // Ascending.
    QList<int> values() const;

    bool operator==(const SameFields &other) const { return m_fields == other.m_fields; }
    bool operator!=(const SameFields &other) const { return m_fields != other.m_fields; }

    // First names equal after trimming and lower-casing; last names both
    // empty, or both given and equal the same way.
    static bool sameName(const Contact &a, const Contact &b);
    // A non-empty address in both lists, compared exactly.
    static bool sharedEmail(const Contact &a, const Contact &b);
    // A non-empty number text in both, compared exactly. Blank phone rows are
    // common in imported address books and say nothing about identity.
    static bool sharedPhone(const Contact &a, const Contact &b);

private:
    QSet<int> m_fields;
};

QDebug operator<<(QDebug dbg, const SameFields &fields);

Q_DECLARE_METATYPE(SameFields)

#endif // UI_SAMEFIELDS_H
