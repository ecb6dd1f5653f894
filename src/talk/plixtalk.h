#ifndef TALK_PLIXTALK_H
#define TALK_PLIXTALK_H

#include "talk/proxysettings.h"
#include "talk/talkmetatypes.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace plix {
class IObjectFactory;
}

namespace talk {

class MediaEngine;

// A voice message the talk service keeps for the account.
struct VoicemailMessage
{
    QString number;
    QDateTime timestamp;
    int durationMs = 0;
};

// The program's one session with the talk library: it loads the library,
// logs in to the talk server and out again, reconnects after a lost
// connection, applies the proxy settings, keeps the library's two log files
// and hands out the media engine.
//
// Without a loadable library the session still works as an object: every
// query gives its empty answer, every change fails, and a login fails with
// PLIX_TALK_ERROR_SERVER.
//
// Reconnection after a lost connection waits 1 s plus up to 999 ms at first
// and doubles the fixed part after each failed attempt, up to 60 s; only the
// first failure of a series is reported through loginFailed(). An explicit
// logout or a new login ends the series.
class PlixTalk : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PlixTalk)

public:
    explicit PlixTalk(QObject *parent = nullptr);
    ~PlixTalk() override;

    virtual ProxySettings proxySettings() const;
    // Made at the first request (at the latest when a login completes) and
    // kept for the session's life; null without a library.
    virtual MediaEngine *mediaEngine();
    virtual QString loginName() const;
    virtual bool isConnected() const;
    virtual bool openDefaultLogFiles();
    virtual bool closeLogFiles();
    virtual bool autoReconnect() const;
    virtual void setAutoReconnect(bool on);
    virtual QString xmppDumpFilePath() const;
    virtual QString logFilePath() const;

    // The account's voice messages, oldest first; none while logged out or
    // with a library that keeps no voicemail.
    virtual QList<VoicemailMessage> voicemails() const;

    // Whether the library was loaded and gave a talk interface.
    bool isLibraryLoaded() const;
    // The library's object factory; null without a library.
    plix::IObjectFactory *factory() const;

    // The object factory of the live session, through which JIDs, devices
    // and proxy objects are made; null when there is none.
    static plix::IObjectFactory *objectFactory();

    // The files tried, in order, when a session loads the library: the
    // program's folder, the current folder, then the build tree's copy.
    static QStringList libraryFileNames();
    // Loads only this file from now on; empty restores the search. For tests.
    static void setLibraryFileName(const QString &fileName);

    // The reconnection delays: the first fixed part and the random part's
    // span, in milliseconds. The fixed part also spaces the checks for a
    // network while there is none, and grows to 60 times its first value.
    void setReconnectDelays(int firstDelay, int randomSpan);

    static QString logsDir();
    static QString traceLogFilePath();
    static QString talkLogFilePath();
    static QString xmppLogFilePath();
    static void removeZippedLogsFile();

public slots:
    virtual void login(const QString &userName, const QString &password, bool flag);
    // Logs in again with the user of the last login; true also retries
    // failures to reach the server.
    virtual void login(bool retry);
    void login() { login(false); }
    // Also ends any pending reconnection.
    virtual void logout();
    virtual bool setProxySettings(const talk::ProxySettings &settings);
    virtual bool setXMPPDumpToFile(const QString &path);
    virtual bool setLogToFile(const QString &path);
    // Drops a pending reconnection; the session stays as it is otherwise.
    void stopReconnecting();

signals:
    void connectionLost(plix::PLIX_DISCONNECT_REASON reason);
    void loginCompleted();
    void loginFailed(plix::PLIX_TALK_ERROR_CODE code);

private slots:
    void reconnect();

private:
    class Private;
    friend class Private;

    Private *const d;
};

} // namespace talk

#endif // TALK_PLIXTALK_H
