#ifndef DBSTORE_H
#define DBSTORE_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSqlError;

// The program's one local database, "data.px" in the per-user data folder,
// opened as the default SQL connection. Loading creates and seeds the tables;
// the generic operations read and write (name, value) tables.
//
// A damaged file is moved aside (kept, never deleted) and a fresh one made;
// a file that cannot be reached or written is left as it is. Either way the
// user is told once through problemOccurred().
class DbStore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DbStore)

public:
    explicit DbStore(QObject *parent = nullptr);
    // A file of another name in the data folder, or at an absolute path.
    explicit DbStore(const QString &fileName, QObject *parent = nullptr);
    ~DbStore() override;

    // Opens the database and runs the schema on the first call; later calls
    // only count, and each must be matched by closeDatabases().
    void loadDatabases();
    // Closes the connection when the last load is released.
    void closeDatabases();

    QString databaseFileName() const { return m_fileName; }
    // The full path of the database file.
    QString databasePath() const;

    // The tables the schema creates; the generic operations refuse any other.
    static QStringList knownTables();

    // Booleans are stored as "true"/"false", everything else as its text.
    void setValue(const QString &table, const QString &key, const QVariant &value);
    // The stored value, or exactly defaultValue when there is none or the read fails.
    QVariant value(const QString &table, const QString &key, const QVariant &defaultValue = QVariant()) const;
    void removeValue(const QString &table, const QString &key);

    // Writes the journal into the file and empties it. Removed rows are
    // overwritten in the file, so afterwards no copy of them is left on disk.
    void checkpoint();

    // The last message of problemOccurred(); empty while all is well.
    QString problem() const;
    // The file is only read: its folder cannot be written.
    bool isReadOnly() const { return m_readOnly; }

    // For statements of other components on the default connection: a write
    // that failed for want of space, rights or a sound file is told once.
    static void noteFailure(const QSqlError &error);

signals:
    // The data file was damaged and replaced, cannot be used, or cannot be
    // written; the message names the file and the cause.
    void problemOccurred(const QString &message);

private:
    enum class FileState { Sound, Damaged, Unreadable };

    // Opens path; a damaged file is moved aside and a fresh one opened. False,
    // with the user told, when no usable file is open.
    bool openSoundFile(const QString &path);
    bool openConnection(const QString &path, QString *cause);
    // Opens an intact file of a folder that cannot be written, only to read
    // it: SQLite is told it cannot change (no journal, no locks).
    bool openImmutable(const QString &path, QString *cause);
    void closeConnection();
    FileState checkFile(const QString &path, QString *cause) const;
    bool moveAside(const QString &path, QString *asidePath) const;
    // The first failure that means the file cannot be written, if any.
    QString runSchema(const QString &schema);
    bool isKnownTable(const QString &table, const QString &key) const;
    void reportProblem(const QString &message);
    void reportUnusable(const QString &path, const QString &cause);
    void noteWriteFailure(const QSqlError &error);
    // What a failure says about the file, with a full disk told as such.
    QString causeOf(const QSqlError &error) const;

    const QString m_fileName;
    int m_openCount;
    bool m_loaded;
    bool m_closed;
    bool m_writeFailureReported = false;
    bool m_readOnly = false;
    QString m_problem;
};

#endif // DBSTORE_H
