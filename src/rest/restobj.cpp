#include "rest/restobj.h"

namespace {

const char kDefaultClassName[] = "com.dravomesh.phone.integration.IntegrationObject";

bool isContainer(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return true;
    default:
        return false;
    }
}

} // namespace

RestObj::RestObj()
    : RestObj(kDefaultClassName)
{ }

RestObj::RestObj(const char *className)
    : m_className(QString::fromLatin1(className))
{ }

RestObj::RestObj(const QString &className)
    : m_className(className)
{ }

RestObj::RestObj(const QVariant &value)
    : RestObj(value, QString::fromLatin1(kDefaultClassName))
{ }

RestObj::RestObj(const QVariant &value, const QString &className)
    : m_className(className)
{
    RestObj::fromVariant(value);
}

QVariant RestObj::toVariantMap() const
{
    return baseMap();
}

void RestObj::fromVariant(const QVariant &value)
{
    // "class" is not read: a record keeps the name it was built with.
    const QVariantMap map = value.toMap();
    m_errorMessage = readText(map, QStringLiteral("errorMessage"));

    m_fieldErrors.clear();
    const QVariantList errors = readList(map, QStringLiteral("fieldErrors"));
    for (const QVariant &element : errors) {
        const QVariantMap error = element.toMap();
        m_fieldErrors.append(FieldError {readText(error, QStringLiteral("field")),
                                         readText(error, QStringLiteral("errorCode"))});
    }

    m_fieldHints.clear();
    const QVariantList hints = readList(map, QStringLiteral("fieldHints"));
    for (const QVariant &element : hints) {
        const QVariantMap hint = element.toMap();
        m_fieldHints.append(FieldHint {readText(hint, QStringLiteral("field")),
                                       readText(hint, QStringLiteral("code")),
                                       readTextList(hint, QStringLiteral("arguments"))});
    }
}

QVariantMap RestObj::baseMap() const
{
    QVariantMap map;
    map.insert(QStringLiteral("class"), m_className);
    return map;
}

QString RestObj::readText(const QVariantMap &map, const QString &key)
{
    // Qt would turn a one-element list into its element; a list or an
    // object where a text belongs is mistyped.
    const QVariant value = map.value(key);
    return isContainer(value) ? QString() : value.toString();
}

QStringList RestObj::readTextList(const QVariantMap &map, const QString &key)
{
    return map.value(key).toStringList();
}

int RestObj::readInt(const QVariantMap &map, const QString &key)
{
    return map.value(key).toInt();
}

qlonglong RestObj::readLongLong(const QVariantMap &map, const QString &key)
{
    return map.value(key).toLongLong();
}

qulonglong RestObj::readULongLong(const QVariantMap &map, const QString &key)
{
    return map.value(key).toULongLong();
}

double RestObj::readReal(const QVariantMap &map, const QString &key)
{
    return map.value(key).toDouble();
}

bool RestObj::readFlag(const QVariantMap &map, const QString &key)
{
    return map.value(key).toBool();
}

QDate RestObj::readDate(const QVariantMap &map, const QString &key)
{
    return map.value(key).toDate();
}

QVariantList RestObj::readList(const QVariantMap &map, const QString &key)
{
    // Qt would read a string as a list of its characters.
    const QVariant value = map.value(key);
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList();
    default:
        return {};
    }
}

QDebug operator<<(QDebug dbg, const FieldError &error)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << " FieldError {field:" << error.field << ", error:" << error.errorCode << "}";
    return dbg;
}

QDebug operator<<(QDebug dbg, const FieldHint &hint)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << " FieldHint {field:" << hint.field << ", code:" << hint.code
                << ", arguments:" << RestDebug::list(hint.arguments) << "}";
    return dbg;
}

QDebug operator<<(QDebug dbg, const RestObj &obj)
{
    QDebugStateSaver saver(dbg);
    dbg.setAutoInsertSpaces(true);
    dbg.quote() << "{errorMessage:" << obj.errorMessage()
                << ", fieldErrors:" << RestDebug::list(obj.fieldErrors())
                << ", fieldHints:" << RestDebug::list(obj.fieldHints()) << "}";
    return dbg;
}

namespace RestDebug {

QString date(const QDate &date)
{
    return date.toString(QStringLiteral("dd-MM-yyyy"));
}

} // namespace RestDebug
