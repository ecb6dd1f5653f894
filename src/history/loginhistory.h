#ifndef LOGINHISTORY_H
#define LOGINHISTORY_H

#include <QObject>
#include <QStringList>
#include <QVariant>

// The user names that logged in successfully (table "last_login").
class LoginHistory : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LoginHistory)

public:
    explicit LoginHistory(QObject *parent = nullptr);
    ~LoginHistory() override;

    void add(const QVariant &name);
    // Adds the name unless exactly that text (letter case included) is stored.
    void addIfNew(const QString &name);
    // The stored names in no particular order; empty when the read fails.
    QVariantList load() const;
    QStringList names() const;
    void clear();
};

#endif // LOGINHISTORY_H
