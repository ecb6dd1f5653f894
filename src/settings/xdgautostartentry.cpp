#include "xdgautostartentry.h"

#include "util/trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString configFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::homePath() + QStringLiteral("/.config");
}

// The value escapes of a desktop entry string.
QString escapedValue(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return value;
}

} // namespace

void XdgAutostartEntry::write(const QString &name, const QString &programPath)
{
    const QString path = filePath(name);
    const QByteArray data = contents(name, programPath).toUtf8();
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == data)
        return;
    current.close();

    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        TRACE_WARNING << "Could not write the autostart entry" << path << file.errorString();
}

void XdgAutostartEntry::remove(const QString &name)
{
    QFile file(filePath(name));
    if (file.exists() && !file.remove())
        TRACE_WARNING << "Could not remove the autostart entry" << file.fileName() << file.errorString();
}

QString XdgAutostartEntry::filePath(const QString &name)
{
    return QStringLiteral("%1/autostart/%2.desktop").arg(configFolder(), name);
}

QString XdgAutostartEntry::execArgument(const QString &programPath)
{
    // Inside double quotes the Exec line escapes these with a backslash...
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // ...a literal percent sign is doubled, and the whole value is then
    // escaped like any other string.
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return escapedValue(QLatin1Char('"') + quoted + QLatin1Char('"'));
}

QString XdgAutostartEntry::contents(const QString &name, const QString &programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escapedValue(name), execArgument(programPath));
}
