#ifndef TALK_JID_H
#define TALK_JID_H

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

class QDebug;

namespace plix {
class IJid;
}

namespace talk {

class JidData;

// The address of a talk party, "node@domain/resource". The parts live in a
// JID object of the talk library that copies share until one of them changes
// (copy on write). Without a loaded talk library every part is empty and
// every change fails.
class Jid
{
public:
    // A JID without parts.
    Jid();
    // A copy of the library's JID; a null pointer gives a JID without parts.
    explicit Jid(const plix::IJid *jid);
    // Parsed from the whole text "node@domain/resource".
    explicit Jid(const QString &full);
    Jid(const QString &node, const QString &domain, const QString &resource);
    Jid(const Jid &other);
    Jid &operator=(const Jid &other);
    ~Jid();

    // The JID a telephone number is called at: "number@domain".
    static Jid fromNumber(const QString &number, const QString &domain);

    // The domain of the service's own talk users.
    static QString talkDomain();

    QString node() const;
    QString domain() const;
    QString resource() const;
    QString full() const;
    // The library's string form, "node@domain".
    QString toString() const;

    // Each returns whether the library took the text.
    bool setNode(const QString &node);
    bool setDomain(const QString &domain);
    bool setResource(const QString &resource);
    bool setFull(const QString &full);

    bool hasFlagE() const; // no part set
    bool hasFlagV() const; // has a domain
    bool hasFlagB() const; // has no resource

    // The node for the service's own users, else the string form.
    QString displayString() const;

    // The library object, still owned by this JID; null without a library.
    plix::IJid *plixJid() const;

private:
    QSharedDataPointer<JidData> d;
};

// "Jid" with the letters B, E and V of the true answers and the whole text
// in parentheses, e.g. JidBV(123@example.com).
QDebug operator<<(QDebug debug, const Jid &jid);

} // namespace talk

Q_DECLARE_METATYPE(talk::Jid)

#endif // TALK_JID_H
