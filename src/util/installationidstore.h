#ifndef UTIL_INSTALLATIONIDSTORE_H
#define UTIL_INSTALLATIONIDSTORE_H

#include "util/nativesettings.h"

#include <QString>

// The identifier of this installation that every web-service request carries
// in its "osid" header. It is kept in the native settings, machine-wide when
// possible so that all users of the computer share it, per user otherwise.
class InstallationIdStore
{
public:
    InstallationIdStore() = default;

    QString id() const { return m_id; }

    // Reads the stored identifier; makes and saves a new one when none is
    // stored or the stored one is unfit for an HTTP header. A valid stored
    // identifier is never changed or written again.
    void load();
    // Writes the identifier for the machine or, failing that, for the user.
    void save();
    // Writes the identifier into one scope; false when the store reports an error.
    bool writeKey(NativeSettings::Scope scope);

    // Printable ASCII of 1 to 64 characters.
    static bool isValid(const QString &id);

private:
    static NativeSettings settings();

    QString m_id;
};

#endif // UTIL_INSTALLATIONIDSTORE_H
