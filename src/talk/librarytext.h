#ifndef TALK_LIBRARYTEXT_H
#define TALK_LIBRARYTEXT_H

#include <QByteArray>
#include <QString>

namespace talk {

// Text handed to the talk library: UTF-8, cut at the first NUL character
// because the library reads zero-terminated strings.
QByteArray toLibraryText(const QString &text);

// A zero-terminated UTF-8 string from the library; null gives an empty text.
QString fromLibraryText(const char *text);

} // namespace talk

#endif // TALK_LIBRARYTEXT_H
