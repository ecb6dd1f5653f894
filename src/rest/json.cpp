#include "rest/json.h"

#include <QStringList>
#include <QStringView>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>

namespace {

// ---------------------------------------------------------------------------
// Writing

bool writeValue(QByteArray &out, const QVariant &value);

bool needsEscape(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c == u'"' || c == u'\\')
            return true;
    }
    return false;
}

void writeString(QByteArray &out, const QString &text)
{
    if (needsEscape(text)) {
        out += Json::sanitizeString(text).toUtf8();
        return;
    }
    out += '"';
    out += text.toUtf8();
    out += '"';
}

bool writeDouble(QByteArray &out, double number)
{
    // JSON has no NaN or infinity; "nan.0" would be rejected by the service.
    if (!std::isfinite(number))
        return false;
    const QByteArray text = QByteArray::number(number, 'g', 20);
    out += text;
    // Keeps the value a floating-point number for the reader on the other side.
    if (!text.contains('.') && !text.contains('e'))
        out += ".0";
    return true;
}

bool writeList(QByteArray &out, const QVariantList &list)
{
    out += "[ ";
    bool first = true;
    for (const QVariant &element : list) {
        if (!first)
            out += ", ";
        first = false;
        if (!writeValue(out, element))
            return false;
    }
    out += " ]";
    return true;
}

void writeStringList(QByteArray &out, const QStringList &list)
{
    out += "[ ";
    bool first = true;
    for (const QString &element : list) {
        if (!first)
            out += ", ";
        first = false;
        writeString(out, element);
    }
    out += " ]";
}

bool writeMap(QByteArray &out, const QVariantMap &map)
{
    out += "{ ";
    bool first = true;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!first)
            out += ", ";
        first = false;
        writeString(out, it.key());
        out += " : ";
        if (!writeValue(out, it.value()))
            return false;
    }
    out += " }";
    return true;
}

bool writeValue(QByteArray &out, const QVariant &value)
{
    const int type = value.typeId();
    // Qt 6 holds a JSON null taken from QJsonValue as std::nullptr_t.
    if (!value.isValid() || type == QMetaType::Nullptr) {
        out += "null";
        return true;
    }

    // Exact types first: Qt's conversions would also turn a QVariantHash into
    // a map and a float into a rounded integer.
    switch (type) {
    case QMetaType::QVariantList:
        return writeList(out, value.toList());
    case QMetaType::QStringList:
        writeStringList(out, value.toStringList());
        return true;
    case QMetaType::QVariantMap:
        return writeMap(out, value.toMap());
    case QMetaType::QString:
        writeString(out, value.toString());
        return true;
    case QMetaType::QByteArray:
        writeString(out, QString::fromLatin1(value.toByteArray()));
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        return writeDouble(out, value.toDouble());
    case QMetaType::Bool:
        out += value.toBool() ? "true" : "false";
        return true;
    case QMetaType::ULongLong:
        out += QByteArray::number(value.toULongLong());
        return true;
    default:
        break;
    }

    if (value.canConvert<qlonglong>()) {
        out += QByteArray::number(value.toLongLong());
        return true;
    }
    if (value.canConvert<long>()) {
        out += QString::number(value.value<long>(), 10).toUtf8();
        return true;
    }
    if (value.canConvert<QString>()) {
        writeString(out, value.toString());
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Reading

enum class Token {
    None,
    ObjectOpen,
    ObjectClose,
    ArrayOpen,
    ArrayClose,
    Colon,
    Comma,
    String,
    Number,
    True,
    False,
    Null
};

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

inline int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

class Parser
{
public:
    Parser(QStringView text, qsizetype maxValues)
        : m_pos(text.utf16())
        , m_end(text.utf16() + text.size())
        , m_valuesLeft(maxValues)
    { }

    QVariant readValue();
    bool ok() const { return m_ok; }

private:
    Token readToken(const char16_t *&pos) const;
    bool startsWithWord(const char16_t *pos, QLatin1String word) const;
    void skipBlanks();
    QVariant fail();
    QVariant readObject();
    QVariant readArray();
    bool readString(QString &text);
    bool readHex4(const char16_t *pos, char16_t &unit) const;
    QVariant readNumber();

    const char16_t *m_pos;
    const char16_t *const m_end;
    int m_depth = 0;
    qsizetype m_valuesLeft; // negative: no bound
    bool m_ok = true;
};

QVariant Parser::fail()
{
    m_ok = false;
    return QVariant();
}

void Parser::skipBlanks()
{
    while (m_pos != m_end && isBlank(*m_pos))
        ++m_pos;
}

bool Parser::startsWithWord(const char16_t *pos, QLatin1String word) const
{
    if (m_end - pos < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (pos[i] != char16_t(word[i].unicode()))
            return false;
    }
    return true;
}

// Reads one token and moves pos past it. Words are matched by prefix only.
Token Parser::readToken(const char16_t *&pos) const
{
    while (pos != m_end && isBlank(*pos))
        ++pos;
    if (pos == m_end)
        return Token::None;

    switch (*pos) {
    case u'{':
        ++pos;
        return Token::ObjectOpen;
    case u'}':
        ++pos;
        return Token::ObjectClose;
    case u'[':
        ++pos;
        return Token::ArrayOpen;
    case u']':
        ++pos;
        return Token::ArrayClose;
    case u':':
        ++pos;
        return Token::Colon;
    case u',':
        ++pos;
        return Token::Comma;
    case u'"':
        ++pos;
        return Token::String;
    default:
        break;
    }
    if (*pos == u'-' || (*pos >= u'0' && *pos <= u'9')) {
        ++pos;
        return Token::Number;
    }
    if (startsWithWord(pos, QLatin1String("true"))) {
        pos += 4;
        return Token::True;
    }
    if (startsWithWord(pos, QLatin1String("false"))) {
        pos += 5;
        return Token::False;
    }
    if (startsWithWord(pos, QLatin1String("null"))) {
        pos += 4;
        return Token::Null;
    }
    return Token::None;
}

QVariant Parser::readValue()
{
    if (m_valuesLeft == 0)
        return fail();
    if (m_valuesLeft > 0)
        --m_valuesLeft;
    const char16_t *next = m_pos;
    const Token token = readToken(next);
    switch (token) {
    case Token::ObjectOpen:
    case Token::ArrayOpen: {
        // Replies come from the network: bound the recursion.
        if (m_depth == Json::MaxDepth)
            return fail();
        m_pos = next;
        ++m_depth;
        QVariant value = token == Token::ObjectOpen ? readObject() : readArray();
        --m_depth;
        return value;
    }
    case Token::String: {
        m_pos = next;
        QString text;
        if (!readString(text))
            return fail();
        return text;
    }
    case Token::Number:
        return readNumber();
    case Token::True:
        m_pos = next;
        return true;
    case Token::False:
        m_pos = next;
        return false;
    case Token::Null:
        m_pos = next;
        return QVariant();
    default:
        return fail();
    }
}

// After "{". Commas between members are optional and extra ones are skipped.
QVariant Parser::readObject()
{
    QVariantMap map;
    for (;;) {
        const char16_t *next = m_pos;
        const Token token = readToken(next);
        if (token == Token::None) {
            fail();
            return QVariantMap();
        }
        if (token == Token::Comma) {
            m_pos = next;
            continue;
        }
        if (token == Token::ObjectClose) {
            m_pos = next;
            return map;
        }

        // The key's opening quote is taken without a check.
        skipBlanks();
        ++m_pos;
        QString key;
        if (!readString(key) || readToken(m_pos) != Token::Colon) {
            fail();
            return QVariantMap();
        }
        QVariant value = readValue();
        if (!m_ok)
            return QVariantMap();
        map.insert(key, value);
    }
}

// After "[". Commas between elements are optional and extra ones are skipped.
QVariant Parser::readArray()
{
    QVariantList list;
    for (;;) {
        const char16_t *next = m_pos;
        const Token token = readToken(next);
        if (token == Token::None) {
            fail();
            return QVariantList();
        }
        if (token == Token::Comma) {
            m_pos = next;
            continue;
        }
        if (token == Token::ArrayClose) {
            m_pos = next;
            return list;
        }
        list.append(readValue());
        if (!m_ok)
            return QVariantList();
    }
}

bool Parser::readHex4(const char16_t *pos, char16_t &unit) const
{
    if (m_end - pos < 4)
        return false;
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(pos[i]);
        if (digit < 0)
            return false;
        value = value * 16 + digit;
    }
    unit = char16_t(value);
    return true;
}

// After the opening quote, up to and past the closing one.
bool Parser::readString(QString &text)
{
    const char16_t *run = m_pos;
    for (;;) {
        if (m_pos == m_end)
            return false;
        const char16_t c = *m_pos;
        if (c != u'"' && c != u'\\') {
            ++m_pos;
            continue;
        }
        text.append(QStringView(run, m_pos - run));
        ++m_pos;
        if (c == u'"')
            return true;

        if (m_pos == m_end)
            return false;
        switch (*m_pos++) {
        case u'"':
            text.append(QLatin1Char('"'));
            break;
        case u'\\':
            text.append(QLatin1Char('\\'));
            break;
        case u'/':
            text.append(QLatin1Char('/'));
            break;
        case u'b':
            text.append(QLatin1Char('\b'));
            break;
        case u'f':
            text.append(QLatin1Char('\f'));
            break;
        case u'n':
            text.append(QLatin1Char('\n'));
            break;
        case u'r':
            text.append(QLatin1Char('\r'));
            break;
        case u't':
            text.append(QLatin1Char('\t'));
            break;
        case u'u': {
            char16_t unit = 0;
            if (!readHex4(m_pos, unit))
                return false;
            m_pos += 4;
            char16_t low = 0;
            if (QChar::isHighSurrogate(unit) && m_end - m_pos >= 6 && m_pos[0] == u'\\' && m_pos[1] == u'u'
                && readHex4(m_pos + 2, low) && QChar::isLowSurrogate(low)) {
                text.append(QChar(unit));
                text.append(QChar(low));
                m_pos += 6;
            } else if (QChar::isSurrogate(unit)) {
                // Half a pair is no character; keep the text well-formed.
                text.append(QChar(QChar::ReplacementCharacter));
            } else {
                text.append(QChar(unit));
            }
            break;
        }
        default:
            // An unknown escape is dropped with its backslash: the whole
            // character, both halves of a surrogate pair included.
            if (QChar::isHighSurrogate(m_pos[-1]) && m_pos != m_end && QChar::isLowSurrogate(*m_pos))
                ++m_pos;
            break;
        }
        run = m_pos;
    }
}

QVariant Parser::readNumber()
{
    skipBlanks();
    const char16_t *start = m_pos;
    bool floating = false;
    while (m_pos != m_end) {
        const char16_t c = *m_pos;
        if (c == u'.' || c == u'e' || c == u'E')
            floating = true;
        else if (!((c >= u'0' && c <= u'9') || c == u'+' || c == u'-'))
            break;
        ++m_pos;
    }

    const QStringView text(start, m_pos - start);
    bool converted = false;
    if (floating) {
        const double number = text.toDouble(&converted);
        return converted ? number : 0.0;
    }
    const bool negative = text.front() == u'-';
    if (negative) {
        const qlonglong number = text.toLongLong(&converted, 10);
        if (converted)
            return number;
    } else {
        const qulonglong number = text.toULongLong(&converted, 10);
        if (converted)
            return number;
    }
    // An integer beyond 64 bits keeps its magnitude rather than becoming 0.
    const double number = text.toDouble(&converted);
    if (converted)
        return number;
    return negative ? QVariant(qlonglong(0)) : QVariant(qulonglong(0));
}

} // namespace

namespace Json {

QByteArray serialize(const QVariant &value, bool &ok)
{
    ok = true;
    QByteArray out;
    if (!writeValue(out, value)) {
        ok = false;
        return QByteArray();
    }
    return out;
}

QByteArray serialize(const QVariant &value)
{
    bool ok = true;
    return serialize(value, ok);
}

QVariant parse(const QString &json, bool &ok)
{
    return parse(json, ok, -1);
}

QVariant parse(const QString &json, bool &ok, qsizetype maxValues)
{
    ok = true;
    if (json.isNull())
        return QVariant();
    Parser parser(json, maxValues);
    QVariant value = parser.readValue();
    ok = parser.ok();
    return value;
}

QVariant parse(const QString &json)
{
    bool ok = true;
    return parse(json, ok);
}

QString sanitizeString(const QString &text)
{
    static const char hexDigits[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\b':
            out += QLatin1String("\\b");
            break;
        case u'\f':
            out += QLatin1String("\\f");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                // Raw control characters are not valid inside a JSON string.
                out += QLatin1String("\\u00");
                out += QLatin1Char(hexDigits[c.unicode() >> 4]);
                out += QLatin1Char(hexDigits[c.unicode() & 0xf]);
            } else {
                out += c;
            }
            break;
        }
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace Json
