#include "importcontacts/formscraper.h"

#include <QRegularExpression>

namespace {

bool isSpace(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n')
        || ch == QLatin1Char('\r') || ch == QLatin1Char('\f');
}

qsizetype skipSpaces(const QString &text, qsizetype from)
{
    while (from < text.size() && isSpace(text.at(from)))
        ++from;
    return from;
}

// Whether the tag name stands at the position, followed by something that
// ends a name.
bool tagNameAt(const QString &text, qsizetype at, QLatin1String name)
{
    if (QStringView(text).mid(at, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = at + name.size();
    if (after >= text.size())
        return false;
    const QChar next = text.at(after);
    return isSpace(next) || next == QLatin1Char('>') || next == QLatin1Char('/');
}

// An opening tag: where its "<" stands, where its attribute text starts and
// where its ">" stands.
struct Tag
{
    qsizetype start = -1;
    qsizetype attributes = -1;
    qsizetype end = -1;
};

// Every "<" is looked at once, so the search is linear.
Tag findOpenTag(const QString &text, QLatin1String name, qsizetype from)
{
    for (qsizetype at = text.indexOf(QLatin1Char('<'), from); at >= 0;
         at = text.indexOf(QLatin1Char('<'), at + 1)) {
        const qsizetype nameAt = skipSpaces(text, at + 1);
        if (!tagNameAt(text, nameAt, name))
            continue;
        const qsizetype end = text.indexOf(QLatin1Char('>'), nameAt);
        if (end < 0)
            return {}; // no later tag can end either
        return {at, nameAt + name.size(), end};
    }
    return {};
}

// The position just after the first "</name>" from the position, or -1.
qsizetype findCloseTagEnd(const QString &text, QLatin1String name, qsizetype from)
{
    for (qsizetype at = text.indexOf(QLatin1Char('<'), from); at >= 0;
         at = text.indexOf(QLatin1Char('<'), at + 1)) {
        qsizetype pos = skipSpaces(text, at + 1);
        if (pos >= text.size() || text.at(pos) != QLatin1Char('/'))
            continue;
        pos = skipSpaces(text, pos + 1);
        if (QStringView(text).mid(pos, name.size()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        pos = skipSpaces(text, pos + name.size());
        if (pos < text.size() && text.at(pos) == QLatin1Char('>'))
            return pos + 1;
    }
    return -1;
}

// Complete elements; HTML does not nest forms, scripts or spans of interest
// here, so each ends at the first closing tag after it.
QStringList elements(const QString &text, QLatin1String name)
{
    QStringList found;
    qsizetype from = 0;
    while (from < text.size()) {
        const Tag tag = findOpenTag(text, name, from);
        if (tag.start < 0)
            break;
        const qsizetype end = findCloseTagEnd(text, name, tag.end + 1);
        if (end < 0)
            break;
        found << text.mid(tag.start, end - tag.start);
        from = end;
    }
    return found;
}

QString attribute(const QList<QPair<QString, QString>> &attributes, const QString &name,
                  bool *present = nullptr)
{
    for (const auto &attribute : attributes) {
        if (attribute.first == name) {
            if (present)
                *present = true;
            return attribute.second;
        }
    }
    if (present)
        *present = false;
    return QString();
}

QList<QPair<QString, QString>> tagAttributes(const QString &element, QLatin1String name)
{
    const Tag tag = findOpenTag(element, name, 0);
    if (tag.start < 0)
        return {};
    return NetUtil::parseAttributes(element.mid(tag.attributes, tag.end - tag.attributes));
}

QString referenceText(QStringView name)
{
    static const QList<QPair<QLatin1String, QChar>> named = {
        {QLatin1String("amp"), QLatin1Char('&')},   {QLatin1String("lt"), QLatin1Char('<')},
        {QLatin1String("gt"), QLatin1Char('>')},    {QLatin1String("quot"), QLatin1Char('"')},
        {QLatin1String("apos"), QLatin1Char('\'')},
    };
    for (const auto &entry : named) {
        if (name == entry.first)
            return QString(entry.second);
    }
    if (name.size() < 2 || name.at(0) != QLatin1Char('#'))
        return QString();
    const bool hex = name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X');
    const QStringView digits = name.mid(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return QString();
    bool ok = false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    if (!ok)
        return QString();
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar::ReplacementCharacter);
    const char32_t character = code;
    return QString::fromUcs4(&character, 1);
}

} // namespace

namespace NetUtil {

QString regexCapture(const QString &text, const QString &pattern, int n)
{
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(n) : QString();
}

QStringList regexCaptureAll(const QString &text, const QString &pattern, int n)
{
    const QRegularExpression expression(pattern);
    QStringList captures;
    qsizetype from = 0;
    while (from <= text.size()) {
        const QRegularExpressionMatch match = expression.match(text, from);
        if (!match.hasMatch() || match.capturedLength(0) == 0)
            break;
        captures << match.captured(n);
        from = match.capturedEnd(0);
    }
    return captures;
}

QString decodeEntities(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString decoded;
    decoded.reserve(text.size());
    qsizetype at = 0;
    qsizetype semicolon = 0; // the next ";" after the last "&" looked at; -1 when none is left
    while (at < text.size()) {
        const qsizetype amp = text.indexOf(QLatin1Char('&'), at);
        if (amp < 0) {
            decoded += QStringView(text).mid(at);
            break;
        }
        decoded += QStringView(text).mid(at, amp - at);
        // Searched again only once passed, so a page of "&" stays linear.
        if (semicolon >= 0 && semicolon <= amp)
            semicolon = text.indexOf(QLatin1Char(';'), amp + 1);
        // References are short; a far ";" belongs to something else.
        const QString replacement = semicolon > amp && semicolon - amp <= 11
            ? referenceText(QStringView(text).mid(amp + 1, semicolon - amp - 1))
            : QString();
        if (replacement.isEmpty()) {
            decoded += QLatin1Char('&');
            at = amp + 1;
        } else {
            decoded += replacement;
            at = semicolon + 1;
        }
    }
    return decoded;
}

QList<QPair<QString, QString>> parseAttributes(const QString &attributes)
{
    QList<QPair<QString, QString>> parsed;
    const qsizetype size = attributes.size();
    qsizetype at = 0;
    while (at < size) {
        at = skipSpaces(attributes, at);
        if (at >= size)
            break;
        const qsizetype nameStart = at;
        while (at < size && !isSpace(attributes.at(at)) && attributes.at(at) != QLatin1Char('=')
               && attributes.at(at) != QLatin1Char('/') && attributes.at(at) != QLatin1Char('>'))
            ++at;
        if (at == nameStart) {
            ++at; // a stray "=", "/" or ">"
            continue;
        }
        const QString name = attributes.mid(nameStart, at - nameStart).toLower();
        const qsizetype afterName = skipSpaces(attributes, at);
        if (afterName >= size || attributes.at(afterName) != QLatin1Char('=')) {
            parsed.append({name, QString()});
            continue;
        }
        at = skipSpaces(attributes, afterName + 1);
        QString value;
        if (at < size && (attributes.at(at) == QLatin1Char('"') || attributes.at(at) == QLatin1Char('\''))) {
            const QChar quote = attributes.at(at);
            qsizetype close = attributes.indexOf(quote, at + 1);
            if (close < 0)
                close = size;
            value = attributes.mid(at + 1, close - at - 1);
            at = close + 1;
        } else {
            const qsizetype valueStart = at;
            while (at < size && !isSpace(attributes.at(at)) && attributes.at(at) != QLatin1Char('>'))
                ++at;
            value = attributes.mid(valueStart, at - valueStart);
        }
        parsed.append({name, decodeEntities(value)});
    }
    return parsed;
}

QStringList getForms(const QString &page)
{
    return elements(page, QLatin1String("form"));
}

QString getForm(const QString &page)
{
    return getForms(page).value(0);
}

QString getLoginForm(const QString &page)
{
    const QStringList forms = getForms(page);
    for (const QString &form : forms) {
        for (const QString &input : getInputs(form)) {
            if (attribute(parseAttributes(input), QStringLiteral("type"))
                    .compare(QLatin1String("password"), Qt::CaseInsensitive)
                == 0)
                return form;
        }
    }
    return QString();
}

QStringList getScripts(const QString &page)
{
    return elements(page, QLatin1String("script"));
}

QString getFormAction(const QString &form)
{
    return attribute(tagAttributes(form, QLatin1String("form")), QStringLiteral("action"));
}

QStringList getInputs(const QString &form)
{
    QStringList inputs;
    qsizetype from = 0;
    while (from < form.size()) {
        const Tag tag = findOpenTag(form, QLatin1String("input"), from);
        if (tag.start < 0)
            break;
        inputs << form.mid(tag.attributes, tag.end - tag.attributes);
        from = tag.end + 1;
    }
    return inputs;
}

QMap<QString, QString> parseFormInputs(const QStringList &inputs)
{
    QMap<QString, QString> fields;
    bool submitTaken = false;
    for (const QString &input : inputs) {
        const QList<QPair<QString, QString>> attributes = parseAttributes(input);
        const QString type = attribute(attributes, QStringLiteral("type")).toLower();
        bool checked = false;
        attribute(attributes, QStringLiteral("checked"), &checked);
        if ((type == QLatin1String("checkbox") || type == QLatin1String("radio")) && !checked)
            continue;
        if (type == QLatin1String("reset") || type == QLatin1String("button")
            || type == QLatin1String("image"))
            continue;
        if (type == QLatin1String("submit")) {
            if (submitTaken)
                continue;
            submitTaken = true;
        }
        QString key = attribute(attributes, QStringLiteral("name"));
        if (key.isEmpty())
            key = attribute(attributes, QStringLiteral("id"));
        if (key.isEmpty())
            continue;
        QString value = attribute(attributes, QStringLiteral("value"));
        if (value.isEmpty() && checked)
            value = QStringLiteral("true");
        fields.insert(key, value);
    }
    return fields;
}

QString getLoginErrorMarker(const QString &page)
{
    static const QRegularExpression marker(
        QStringLiteral(R"re((?<![\w-])class\s*=\s*(?:"yregertxt"|'yregertxt'|yregertxt(?=[\s/>]|$)))re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = marker.match(page);
    return match.hasMatch() ? match.captured(0) : QString();
}

QString getLocationReplaceTarget(const QString &text)
{
    static const QRegularExpression replace(
        QStringLiteral(R"re(window\.location\.replace\(\s*(?:"([^"]*)"|'([^']*)')\s*\))re"));
    const QRegularExpressionMatch match = replace.match(text);
    if (!match.hasMatch())
        return QString();
    return match.capturedStart(1) >= 0 ? match.captured(1) : match.captured(2);
}

QString getFormEncodedValue(const QString &text, const QString &key)
{
    const QRegularExpression pair(QStringLiteral("(?:^|[?&])") + QRegularExpression::escape(key)
                                  + QStringLiteral("=([^&#]*)"));
    const QRegularExpressionMatch match = pair.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString getDomain(const QString &text)
{
    static const QRegularExpression domain(QStringLiteral("https?://[^/?#\\s]*"));
    const QRegularExpressionMatch match = domain.match(text);
    return match.hasMatch() ? match.captured(0) : QString();
}

QString getShortCode(const QString &page)
{
    qsizetype from = 0;
    while (from < page.size()) {
        const Tag tag = findOpenTag(page, QLatin1String("span"), from);
        if (tag.start < 0)
            break;
        from = tag.end + 1;
        const auto attributes = parseAttributes(page.mid(tag.attributes, tag.end - tag.attributes));
        if (attribute(attributes, QStringLiteral("id")) != QLatin1String("shortCode"))
            continue;
        const qsizetype end = findCloseTagEnd(page, QLatin1String("span"), from);
        if (end < 0)
            return QString();
        const QString inner = page.mid(from, end - from);
        return decodeEntities(inner.left(inner.lastIndexOf(QLatin1Char('<')))).trimmed();
    }
    return QString();
}

} // namespace NetUtil
