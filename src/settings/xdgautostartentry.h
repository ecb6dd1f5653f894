#ifndef XDGAUTOSTARTENTRY_H
#define XDGAUTOSTARTENTRY_H

#include "settings/autostartentry.h"

// A desktop entry in "$XDG_CONFIG_HOME/autostart" (or "~/.config/autostart").
class XdgAutostartEntry : public AutostartEntry
{
public:
    void write(const QString &name, const QString &programPath) override;
    void remove(const QString &name) override;

    // "<config folder>/autostart/<name>.desktop"
    static QString filePath(const QString &name);
    // The program path as one quoted argument of an Exec line.
    static QString execArgument(const QString &programPath);

private:
    static QString contents(const QString &name, const QString &programPath);
};

#endif // XDGAUTOSTARTENTRY_H
