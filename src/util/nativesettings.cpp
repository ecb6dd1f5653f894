#include "util/nativesettings.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

QSettings::Scope qtScope(NativeSettings::Scope scope)
{
    return scope == NativeSettings::MachineScope ? QSettings::SystemScope : QSettings::UserScope;
}

} // namespace

NativeSettings::NativeSettings(const QString &organization, const QString &application)
    : m_organization(organization)
    , m_application(application)
{ }

NativeSettings NativeSettings::forApplication()
{
    return NativeSettings(QCoreApplication::organizationName(), QCoreApplication::applicationName());
}

QVariant NativeSettings::value(const QString &name, const QVariant &defaultValue) const
{
    // A user-scope QSettings falls back to the system scope on reads.
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_organization, m_application);
    return settings.value(name, defaultValue);
}

QVariant NativeSettings::value(Scope scope, const QString &name, const QVariant &defaultValue) const
{
    QSettings settings(QSettings::NativeFormat, qtScope(scope), m_organization, m_application);
    settings.setFallbacksEnabled(false);
    return settings.value(name, defaultValue);
}

bool NativeSettings::setValue(Scope scope, const QString &name, const QVariant &value)
{
    QSettings settings(QSettings::NativeFormat, qtScope(scope), m_organization, m_application);
    settings.setValue(name, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
