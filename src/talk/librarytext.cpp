#include "librarytext.h"

namespace talk {

QByteArray toLibraryText(const QString &text)
{
    const qsizetype end = text.indexOf(QChar(0));
    return (end < 0 ? text : text.left(end)).toUtf8();
}

QString fromLibraryText(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace talk
