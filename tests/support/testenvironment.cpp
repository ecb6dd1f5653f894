#include "testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cstdlib>

namespace {

QTemporaryDir *s_root = nullptr;

void setEnv(const char *name, const QString &dir)
{
    QDir().mkpath(dir);
    qputenv(name, QFile::encodeName(dir));
}

} // namespace

void TestEnvironment::isolate()
{
    if (s_root)
        return;
    s_root = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/linkora-test-XXXXXX"));
    s_root->setAutoRemove(true);
    std::atexit([] {
        delete s_root;
        s_root = nullptr;
    });

    const QString home = s_root->path();
    setEnv("HOME", home);
    setEnv("XDG_CONFIG_HOME", home + QStringLiteral("/config"));
    setEnv("XDG_DATA_HOME", home + QStringLiteral("/data"));
    setEnv("XDG_CACHE_HOME", home + QStringLiteral("/cache"));
    setEnv("XDG_STATE_HOME", home + QStringLiteral("/state"));
    setEnv("XDG_RUNTIME_DIR", home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Temporary files of one test must not meet those of tests running beside it.
    setEnv("TMPDIR", home + QStringLiteral("/tmp"));
    setEnv("XDG_CONFIG_DIRS", home + QStringLiteral("/etc-xdg"));
    setEnv("XDG_DATA_DIRS", home + QStringLiteral("/usr-share"));

    QStandardPaths::setTestModeEnabled(true);
    const QString userSettings = home + QStringLiteral("/settings-user");
    const QString systemSettings = home + QStringLiteral("/settings-system");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, userSettings);
        QSettings::setPath(format, QSettings::SystemScope, systemSettings);
    }

    QCoreApplication::setOrganizationName(QStringLiteral("Halvetta"));
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora Test"));
}

QString TestEnvironment::root()
{
    isolate();
    return s_root->path();
}

QString TestEnvironment::freshDirectory(const QString &name)
{
    QDir dir(root() + QStringLiteral("/cases/") + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.path();
}

QString TestEnvironment::sourceDirectory()
{
    const QByteArray fromEnv = qgetenv("LINKORA_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(LINKORA_SOURCE_DIR) : QFile::decodeName(fromEnv);
}

QProcessEnvironment TestEnvironment::programEnvironment(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR", "TMPDIR", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"}) {
        const QString folder = home + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(folder);
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QLatin1String(name), folder);
    }
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

QByteArray TestEnvironment::fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
