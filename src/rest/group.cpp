#include "rest/group.h"

#include "util/trace.h"

Group::Group()
    : RestObj("com.dravomesh.phone.integration.Group")
{ }

Group::Group(const QString &name)
    : RestObj("com.dravomesh.phone.integration.Group")
    , m_name(name)
{ }

Group::Group(const QVariant &value)
    : RestObj(value, QStringLiteral("com.dravomesh.phone.integration.Group"))
{
    Group::fromVariant(value);
}

QVariant Group::toVariantMap() const
{
    QVariantMap map = baseMap();
    map.insert(QStringLiteral("name"), m_name);
    return map;
}

void Group::fromVariant(const QVariant &value)
{
    m_name = readText(value.toMap(), QStringLiteral("name"));
}

QDebug operator<<(QDebug dbg, const Group &group)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "Group{"
                << "name:" << Trace::tag(group.name()) << ", errorMessage:" << group.errorMessage() << "}";
    return dbg;
}
