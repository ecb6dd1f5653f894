#include "util/installationidstore.h"

#include <QDebug>
#include <QUuid>

namespace {

// The key "Software\Classes\PlixInst" and its value "InstalId"; on Windows
// the classes branch of both roots is what HKEY_CLASSES_ROOT merges.
const char kClassesBranch[] = "Classes";
const char kKeyName[] = "PlixInst";
const char kValueName[] = "InstalId";

constexpr int kMaximumLength = 64;

} // namespace

NativeSettings InstallationIdStore::settings()
{
    return NativeSettings(QLatin1String(kClassesBranch), QLatin1String(kKeyName));
}

bool InstallationIdStore::isValid(const QString &id)
{
    if (id.isEmpty() || id.size() > kMaximumLength)
        return false;
    for (const QChar c : id) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

void InstallationIdStore::load()
{
    const NativeSettings key = settings();
    const QVariant userValue = key.value(NativeSettings::UserScope, QLatin1String(kValueName));
    if (isValid(userValue.toString())) {
        m_id = userValue.toString();
        return;
    }
    const QString machine = key.value(NativeSettings::MachineScope, QLatin1String(kValueName)).toString();
    if (isValid(machine)) {
        // The machine's shared identifier stays; only a bad per-user value,
        // which would hide it at every start, is repaired.
        m_id = machine;
        if (userValue.isValid())
            writeKey(NativeSettings::UserScope);
        return;
    }

    // Goes into an HTTP header as it stands: a stored value with line breaks,
    // other control or non-ASCII characters, or of great length is replaced.
    m_id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    save();

    // A bad per-user value would hide the new machine-wide one at every start.
    if (userValue.isValid() && settings().value(QLatin1String(kValueName)).toString() != m_id)
        writeKey(NativeSettings::UserScope);
}

void InstallationIdStore::save()
{
    if (writeKey(NativeSettings::MachineScope))
        return;
    if (writeKey(NativeSettings::UserScope))
        return;
    qDebug() << "Couldn't write key";
}

bool InstallationIdStore::writeKey(NativeSettings::Scope scope)
{
    return settings().setValue(scope, QLatin1String(kValueName), m_id);
}
