#ifndef UTIL_NATIVESETTINGS_H
#define UTIL_NATIVESETTINGS_H

#include <QString>
#include <QVariant>

// One key of the platform's own settings store: the registry on Windows
// ("Software\<organization>\<application>" below the user's or the machine's
// root), an INI file of that name in the user's or the system's settings
// folder elsewhere. Reads see the user's value first and fall back to the
// machine's, as the registry's merged view does.
class NativeSettings
{
public:
    enum Scope {
        UserScope,
        MachineScope,
    };

    NativeSettings(const QString &organization, const QString &application);

    // The key of this application, named by its organisation and application name.
    static NativeSettings forApplication();

    QVariant value(const QString &name, const QVariant &defaultValue = QVariant()) const;
    // The value of one scope only, without fallback.
    QVariant value(Scope scope, const QString &name, const QVariant &defaultValue = QVariant()) const;

    // Writes and flushes at once; false when the store reports an error,
    // e.g. a user without the right to write the machine's key.
    bool setValue(Scope scope, const QString &name, const QVariant &value);

private:
    QString m_organization;
    QString m_application;
};

#endif // UTIL_NATIVESETTINGS_H
