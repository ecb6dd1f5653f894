#ifndef DBSTORE_H
#define DBSTORE_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// The program's one local database, "data.px" in the per-user data folder,
// opened as the default SQL connection. Loading creates and seeds the tables;
// the generic operations read and write (name, value) tables.
class DbStore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DbStore)

public:
    explicit DbStore(QObject *parent = nullptr);
    ~DbStore() override;

    // Opens the database and runs the schema on the first call; later calls
    // only count, and each must be matched by closeDatabases().
    void loadDatabases();
    // Closes the connection when the last load is released.
    void closeDatabases();

    virtual QString databaseFileName() const;
    // The full path of the database file.
    QString databasePath() const;

    // The tables the schema creates; the generic operations refuse any other.
    static QStringList knownTables();

    // Booleans are stored as "true"/"false", everything else as its text.
    void setValue(const QString &table, const QString &key, const QVariant &value);
    // The stored value, or exactly defaultValue when there is none or the read fails.
    QVariant value(const QString &table, const QString &key, const QVariant &defaultValue = QVariant()) const;
    void removeValue(const QString &table, const QString &key);

private:
    bool openConnection(const QString &path);
    void runSchema(const QString &schema);
    bool isKnownTable(const QString &table, const QString &key) const;

    int m_openCount;
    bool m_loaded;
    bool m_closed;
};

#endif // DBSTORE_H
