#ifndef REST_RESTOBJ_H
#define REST_RESTOBJ_H

#include <QDate>
#include <QDebug>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// A per-field error the service returns with a record.
struct FieldError
{
    QString field;
    QString errorCode;
};

// A per-field hint the service returns with a record.
struct FieldHint
{
    QString field;
    QString code;
    QStringList arguments;
};

// Common base of the records exchanged with the web service. A record turns
// itself into a QVariantMap tree for the JSON codec and fills itself from the
// tree the codec parses out of a reply. Besides its own fields it carries its
// class name, written under "class", and the service's error information,
// which is read from replies but never written into requests.
class RestObj
{
public:
    RestObj();
    explicit RestObj(const char *className);
    explicit RestObj(const QString &className);
    explicit RestObj(const QVariant &value);
    RestObj(const QVariant &value, const QString &className);
    RestObj(const RestObj &other) = default;
    RestObj(RestObj &&other) = default;
    RestObj &operator=(const RestObj &other) = default;
    RestObj &operator=(RestObj &&other) = default;
    virtual ~RestObj() = default;

    // A QVariantMap with "class" and the record's own fields.
    virtual QVariant toVariantMap() const;
    // Reads the error information; records read only their own keys here.
    virtual void fromVariant(const QVariant &value);

    const QString &className() const { return m_className; }
    const QString &errorMessage() const { return m_errorMessage; }
    const QList<FieldError> &fieldErrors() const { return m_fieldErrors; }
    const QList<FieldHint> &fieldHints() const { return m_fieldHints; }

protected:
    // A map holding only "class"; records add their fields to it.
    QVariantMap baseMap() const;

    // One key of a parsed reply each. A missing key, or a value of a type
    // that does not convert, gives the empty value.
    static QString readText(const QVariantMap &map, const QString &key);
    static QStringList readTextList(const QVariantMap &map, const QString &key);
    static int readInt(const QVariantMap &map, const QString &key);
    static qlonglong readLongLong(const QVariantMap &map, const QString &key);
    static qulonglong readULongLong(const QVariantMap &map, const QString &key);
    static double readReal(const QVariantMap &map, const QString &key);
    static bool readFlag(const QVariantMap &map, const QString &key);
    static QDate readDate(const QVariantMap &map, const QString &key);
    static QVariantList readList(const QVariantMap &map, const QString &key);

private:
    QList<FieldError> m_fieldErrors;
    QList<FieldHint> m_fieldHints;
    QString m_errorMessage;
    QString m_className;
};

QDebug operator<<(QDebug dbg, const FieldError &error);
QDebug operator<<(QDebug dbg, const FieldHint &hint);
QDebug operator<<(QDebug dbg, const RestObj &obj);

// Helpers shared by the record printers. The printers write names, numbers,
// addresses and texts of the user as ids (Trace::tag): what they print goes
// to the log, which goes out with crash reports.
namespace RestDebug {

// Wraps a list so that it prints as "(a, b)", each item in its own format:
//   dbg << ", emails:" << RestDebug::list(emails)
template<typename T>
struct List
{
    const QList<T> &items;
};

template<typename T>
List<T> list(const QList<T> &items)
{
    return List<T> {items};
}

template<typename T>
QDebug operator<<(QDebug dbg, const List<T> &list)
{
    QStringList texts;
    texts.reserve(list.items.size());
    for (const T &item : list.items) {
        QString text;
        QDebug(&text).quote() << item;
        // Drop the separator the stream adds after each item.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        texts << text;
    }
    QDebugStateSaver saver(dbg);
    dbg.noquote().nospace() << '(' << texts.join(QStringLiteral(", ")) << ')';
    return dbg;
}

// Dates are shown as "dd-MM-yyyy".
QString date(const QDate &date);

} // namespace RestDebug

#endif // REST_RESTOBJ_H
