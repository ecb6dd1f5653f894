#ifndef AUTOSTARTENTRY_H
#define AUTOSTARTENTRY_H

#include <QString>

#include <memory>

// The desktop's list of programs started with the user's session.
class AutostartEntry
{
public:
    virtual ~AutostartEntry();

    // Starts the program at the given path with the session, under the given name.
    virtual void write(const QString &name, const QString &programPath) = 0;
    virtual void remove(const QString &name) = 0;

    // The entry of the desktop this program runs on.
    static std::unique_ptr<AutostartEntry> create();
};

#endif // AUTOSTARTENTRY_H
