#ifndef JSON_H
#define JSON_H

#include <QByteArray>
#include <QString>
#include <QVariant>

// JSON text of the web service's request and reply bodies.
//
// Objects are QVariantMap, arrays QVariantList (QStringList is written too),
// null the invalid QVariant. Numbers read back as double when their text
// holds ".", "e" or "E", as qlonglong when it begins with "-", else as
// qulonglong. The written layout ("{ \"a\" : 1 }", "[ 1, 2 ]") is what the
// service receives, spaces included.
namespace Json {

// Deepest nesting of arrays and objects that parse() accepts; deeper text
// fails instead of exhausting the stack.
constexpr int MaxDepth = 512;

// UTF-8 text of the value. On failure (a value with no JSON form, a NaN or an
// infinity, at any depth) ok is false and the result is a null QByteArray.
QByteArray serialize(const QVariant &value, bool &ok);
QByteArray serialize(const QVariant &value);

// The value at the start of the text; what follows it is not examined. A null
// text gives the invalid QVariant with ok true. On failure ok is false and the
// value is meaningless (invalid, an empty list or an empty map).
QVariant parse(const QString &json, bool &ok);
QVariant parse(const QString &json);
// The same, failing as soon as the text holds more than maxValues values
// (arrays, objects and the values in them; negative: no bound), so that a
// hostile text costs little to refuse.
QVariant parse(const QString &json, bool &ok, qsizetype maxValues);

// The text escaped and wrapped in double quotes, as written for strings and
// object keys.
QString sanitizeString(const QString &text);

} // namespace Json

#endif // JSON_H
