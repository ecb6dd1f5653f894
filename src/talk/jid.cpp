#include "jid.h"

#include "talk/librarytext.h"
#include "talk/plixtalk.h"
#include "util/trace.h"

#include "plixtalk_api.h"

#include <QDebug>

namespace talk {

namespace {

plix::IJid *createLibraryJid()
{
    plix::IObjectFactory *factory = PlixTalk::objectFactory();
    return factory ? factory->CreateJid() : nullptr;
}

} // namespace

class JidData : public QSharedData
{
public:
    JidData()
        : jid(createLibraryJid())
    { }

    // A change to a shared JID works on its own library object.
    JidData(const JidData &other)
        : QSharedData(other)
        , jid(createLibraryJid())
    {
        if (jid && other.jid)
            jid->SetFull(other.jid->Full());
    }

    ~JidData()
    {
        if (jid)
            jid->Release();
    }

    JidData &operator=(const JidData &) = delete;

    plix::IJid *jid;
};

Jid::Jid()
    : d(new JidData)
{ }

Jid::Jid(const plix::IJid *jid)
    : d(new JidData)
{
    if (jid && d->jid)
        d->jid->SetFull(jid->Full());
}

Jid::Jid(const QString &full)
    : d(new JidData)
{
    setFull(full);
}

Jid::Jid(const QString &node, const QString &domain, const QString &resource)
    : d(new JidData)
{
    setNode(node);
    setDomain(domain);
    setResource(resource);
}

Jid::Jid(const Jid &other) = default;

Jid &Jid::operator=(const Jid &other) = default;

Jid::~Jid() = default;

Jid Jid::fromNumber(const QString &number, const QString &domain)
{
    Jid jid;
    jid.setFull(number + QLatin1Char('@') + domain);
    return jid;
}

QString Jid::talkDomain()
{
    return QStringLiteral("talk.halvetta.example");
}

QString Jid::node() const
{
    return d->jid ? fromLibraryText(d->jid->Node()) : QString();
}

QString Jid::domain() const
{
    return d->jid ? fromLibraryText(d->jid->Domain()) : QString();
}

QString Jid::resource() const
{
    return d->jid ? fromLibraryText(d->jid->Resource()) : QString();
}

QString Jid::full() const
{
    return d->jid ? fromLibraryText(d->jid->Full()) : QString();
}

QString Jid::toString() const
{
    return d->jid ? fromLibraryText(d->jid->ToString()) : QString();
}

bool Jid::setNode(const QString &node)
{
    return d->jid && d->jid->SetNode(toLibraryText(node).constData());
}

bool Jid::setDomain(const QString &domain)
{
    return d->jid && d->jid->SetDomain(toLibraryText(domain).constData());
}

bool Jid::setResource(const QString &resource)
{
    return d->jid && d->jid->SetResource(toLibraryText(resource).constData());
}

bool Jid::setFull(const QString &full)
{
    return d->jid && d->jid->SetFull(toLibraryText(full).constData());
}

bool Jid::hasFlagE() const
{
    return d->jid && d->jid->IsEmpty();
}

bool Jid::hasFlagV() const
{
    return d->jid && d->jid->IsValid();
}

bool Jid::hasFlagB() const
{
    return d->jid && d->jid->IsBare();
}

QString Jid::displayString() const
{
    return domain() == talkDomain() ? node() : toString();
}

plix::IJid *Jid::plixJid() const
{
    return d->jid;
}

QDebug operator<<(QDebug debug, const Jid &jid)
{
    // The node of a call's JID is the number called or calling: an id of the
    // text goes to the log, which goes out with crash reports.
    const QString text = QStringLiteral("Jid%1%2%3(%4)")
                             .arg(jid.hasFlagB() ? QStringLiteral("B") : QString(),
                                  jid.hasFlagE() ? QStringLiteral("E") : QString(),
                                  jid.hasFlagV() ? QStringLiteral("V") : QString(), Trace::tag(jid.full()));
    const QDebugStateSaver saver(debug);
    debug.noquote() << text;
    return debug;
}

} // namespace talk
