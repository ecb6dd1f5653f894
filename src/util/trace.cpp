#include "trace.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace Trace {

QString functionName(const char *prettyFunction)
{
    QString signature = QString::fromLatin1(prettyFunction);
    // Clang spells the unnamed namespace with parentheses, which would be taken
    // for the parameter list; use GCC's spelling.
    signature.replace(QLatin1String("(anonymous namespace)"), QLatin1String("{anonymous}"));

    // The parameter list is the first '(' outside template brackets, except
    // the one that belongs to "operator()".
    int depth = 0;
    int open = -1;
    for (int i = 0; i < signature.size(); ++i) {
        const QChar c = signature.at(i);
        if (c == QLatin1Char('<')) {
            if (!signature.mid(0, i).endsWith(QLatin1String("operator")))
                ++depth;
        } else if (c == QLatin1Char('>')) {
            if (depth > 0)
                --depth;
        } else if (c == QLatin1Char('(') && depth == 0) {
            if (signature.mid(0, i).endsWith(QLatin1String("operator")))
                continue;
            open = i;
            break;
        }
    }
    QString name = open < 0 ? signature : signature.left(open);

    // Drop the return type: the name starts after the last space outside brackets.
    depth = 0;
    int start = 0;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('<'))
            ++depth;
        else if (c == QLatin1Char('>') && depth > 0)
            --depth;
        else if (c == QLatin1Char(' ') && depth == 0 && !name.mid(0, i).endsWith(QLatin1String("operator")))
            start = i + 1;
    }
    name = name.mid(start);
    while (name.startsWith(QLatin1Char('*')) || name.startsWith(QLatin1Char('&')))
        name.remove(0, 1);
    return name;
}

QString sourcePath(const char *file)
{
    QString path = QString::fromLatin1(file);
    // A build that names its sources relative to the build folder (a
    // compiler cache does) gives "../src/...".
    while (path.startsWith(QLatin1String("../")) || path.startsWith(QLatin1String("./")))
        path.remove(0, path.indexOf(QLatin1Char('/')) + 1);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash)
        path.truncate(dot);
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path;
}

QString header(const char *kind, const char *prettyFunction, const char *file, int line)
{
    return QString::fromLatin1(kind)
        + QStringLiteral("%1@%2:%3:").arg(functionName(prettyFunction), sourcePath(file)).arg(line);
}

QDebug start(QDebug stream, const QString &header)
{
    stream.noquote() << QLatin1Char('"') + header + QLatin1Char('"');
    stream.quote();
    return stream;
}

QString tag(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("#-");
    // A key of the run: a nick is a name and a number, few enough to guess
    // from an unkeyed hash.
    static const QByteArray key = [] {
        QByteArray bytes(16, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), 4);
        return bytes;
    }();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(key);
    hash.addData(text.toUtf8());
    return QLatin1Char('#') + QString::fromLatin1(hash.result().toHex().left(8));
}

QStringList tags(const QStringList &texts)
{
    QStringList ids;
    ids.reserve(texts.size());
    for (const QString &text : texts)
        ids << tag(text);
    return ids;
}

} // namespace Trace
