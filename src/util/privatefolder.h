#ifndef PRIVATEFOLDER_H
#define PRIVATEFOLDER_H

#include <QString>

// A folder only this user may enter, for files others must neither read nor
// slip in (installers, crash dumps): a real folder, owned by this user and
// closed to everyone else. Whatever sits at the path (a link, another user's
// folder) is not followed and left as it is.
namespace PrivateFolder {

enum Problem {
    None,
    CannotCreate,
    NotAFolder, // a link, or not a folder at all
    OtherOwner,
    CannotClose, // open to others and cannot be made private
};

// Makes the folder with any missing parents, closes it to others, and
// answers why it cannot serve as a private folder (None when it can).
Problem make(const QString &path);
// The same questions about an existing folder, changing nothing.
Problem check(const QString &path);
// A short English reason, for traces.
QString describe(Problem problem);

} // namespace PrivateFolder

#endif // PRIVATEFOLDER_H
