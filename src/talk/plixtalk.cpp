#include "plixtalk.h"

#include "talk/allocator.h"
#include "talk/librarytext.h"
#include "talk/mediaengineimpl.h"
#include "util/connectivitycheck.h"
#include "util/trace.h"
#include "util/tracelog.h"

#include "plixtalk_api.h"
#include "sigslot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace talk {

namespace {

const char kTalkServerHost[] = "talk.halvetta.example";
constexpr int kTalkServerPort = 443;

constexpr int kFirstReconnectDelay = 1000;
constexpr int kReconnectRandomSpan = 1000;
// The fixed part of the delay doubles up to this many times its first value.
constexpr int kMaxReconnectFactor = 60;

// The latest session that still exists; JIDs, devices and proxies reach the
// library's object factory through it.
PlixTalk *s_session = nullptr;

QString &libraryFileNameOverride()
{
    static QString fileName;
    return fileName;
}

} // namespace

class PlixTalk::Private : public sigslot::has_slots<sigslot::single_threaded>
{
public:
    explicit Private(PlixTalk *owner);
    ~Private() override;

    void initialize();

    void onDisconnected(plix::PLIX_DISCONNECT_REASON reason);
    void onLoginCompleted(plix::IJid *user);
    void onLoginFailed(plix::PLIX_TALK_ERROR_CODE code);
    void onRoster(plix::IRoster *roster);

    void stopReconnecting();
    // Schedules the next attempt of a reconnection series, each one waiting
    // twice as long as the one before.
    void scheduleRetry();

    PlixTalk *owner;
    plix::IPlixTalk *talk = nullptr;
    // Optional exports; null when the library keeps no voicemail.
    PlixTalkVoicemailCountFunction voicemailCount = nullptr;
    PlixTalkVoicemailFunction voicemail = nullptr;
    QPointer<MediaEngineImpl> engine;
    QString dumpPath;
    QString logPath;
    QString userName;
    QString password;
    bool loginFlag = true;
    qint32 retryCount = -1;
    bool autoReconnect = true;
    bool userChanged = false;
    bool statusSent = false;

    QTimer reconnectTimer;
    int firstDelay = kFirstReconnectDelay;
    int randomSpan = kReconnectRandomSpan;
    // Attempts scheduled since the connection was lost.
    int attempts = 0;
    // reconnect() is starting a login / the login under way is reconnect()'s.
    bool reconnecting = false;
    bool automaticLogin = false;
    // A failure of the current reconnection series was reported already.
    bool failureReported = false;
};

PlixTalk::Private::Private(PlixTalk *owner)
    : owner(owner)
{
    reconnectTimer.setSingleShot(true);
    QObject::connect(&reconnectTimer, &QTimer::timeout, owner, &PlixTalk::reconnect);
    initialize();
}

PlixTalk::Private::~Private()
{
    stopReconnecting();
    if (talk) {
        talk->Logout();
        // The library announces each live call's end before it frees it;
        // the media engine wrapper still listens and drops their wrappers.
        talk->Release();
        talk = nullptr;
    }
}

void PlixTalk::Private::initialize()
{
    QLibrary library;
    bool loaded = false;
    const QStringList fileNames = PlixTalk::libraryFileNames();
    for (const QString &fileName : fileNames) {
        library.setFileName(fileName);
        if (library.load()) {
            loaded = true;
            break;
        }
    }
    if (!loaded) {
        TRACE << "Could not load the library.";
        return;
    }
    // Never unloaded: objects with the library's code live to the end.
    TRACE << "Loaded library:" << QFileInfo(library.fileName()).absoluteFilePath();

    const auto create = reinterpret_cast<CreatePlixTalkFunction>(library.resolve("CreatePlixTalk"));
    if (!create) {
        TRACE << "Resolve CreatePlixTalk failed.";
        return;
    }
    const auto allocateHook
        = reinterpret_cast<PlixTalkAllocatorFunction>(library.resolve("PlixTalk_EASTLAllocator"));
    if (!allocateHook) {
        TRACE_ERROR << "Resolve PlixTalk_EASTLAllocator failed:" << library.errorString();
        return;
    }
    const auto deallocateHook
        = reinterpret_cast<PlixTalkDeleterFunction>(library.resolve("PlixTalk_EASTLDeleter"));
    if (!deallocateHook) {
        TRACE_ERROR << "Resolve PlixTalk_EASTLDeleter failed:" << library.errorString();
        return;
    }

    voicemailCount
        = reinterpret_cast<PlixTalkVoicemailCountFunction>(library.resolve("PlixTalk_VoicemailCount"));
    voicemail = reinterpret_cast<PlixTalkVoicemailFunction>(library.resolve("PlixTalk_Voicemail"));
    if (!voicemailCount || !voicemail) {
        TRACE << "The library keeps no voicemail.";
        voicemailCount = nullptr;
        voicemail = nullptr;
    }

    plix::IPlixTalk *created = nullptr;
    if (!create(&created) || !created) {
        TRACE << "Create IPlixTalk interface failed.";
        return;
    }
    // Before the first connection: its nodes come from the library's hooks.
    installAllocator(allocateHook, deallocateHook);
    talk = created;
    statusSent = false;
    talk->SignalDisconnected.connect(this, &Private::onDisconnected);
    talk->SignalLoginCompleted.connect(this, &Private::onLoginCompleted);
    talk->SignalLoginFailed.connect(this, &Private::onLoginFailed);
    talk->SignalRoster.connect(this, &Private::onRoster);
}

void PlixTalk::Private::stopReconnecting()
{
    retryCount = -1;
    reconnectTimer.stop();
    automaticLogin = false;
}

void PlixTalk::Private::scheduleRetry()
{
    const int factor = 1 << std::min(attempts, 6);
    const qint64 fixed
        = std::min<qint64>(qint64(firstDelay) * factor, qint64(firstDelay) * kMaxReconnectFactor);
    const qint64 random = randomSpan > 0 ? QRandomGenerator::global()->bounded(randomSpan) : 0;
    ++attempts;
    reconnectTimer.start(static_cast<int>(std::min<qint64>(fixed + random, std::numeric_limits<int>::max())));
}

void PlixTalk::Private::onDisconnected(plix::PLIX_DISCONNECT_REASON reason)
{
    // Scheduled before the signal goes out, so that a listener that logs out
    // at once also stops this reconnection.
    if (autoReconnect && reason != plix::PLIX_DISCONNECT_REPLACED) {
        retryCount = 0;
        attempts = 0;
        failureReported = false;
        automaticLogin = false;
        scheduleRetry();
    }
    emit owner->connectionLost(reason);
}

void PlixTalk::Private::onLoginCompleted(plix::IJid *)
{
    TRACE << "Login completed";
    reconnectTimer.stop();
    automaticLogin = false;
    failureReported = false;
    attempts = 0;
    if (userChanged) {
        retryCount = -1;
        userChanged = false;
    }
    owner->mediaEngine();
    emit owner->loginCompleted();
}

void PlixTalk::Private::onLoginFailed(plix::PLIX_TALK_ERROR_CODE code)
{
    TRACE << "Login failed with code" << code;
    const bool automatic = automaticLogin;
    automaticLogin = false;
    if (retryCount >= 1 && code == plix::PLIX_TALK_ERROR_CONNECTION)
        scheduleRetry();
    // Each failed attempt of one reconnection series would otherwise raise
    // its own message to the user.
    if (automatic && failureReported) {
        TRACE << "Reconnection failed again, not reported";
        return;
    }
    if (automatic)
        failureReported = true;
    emit owner->loginFailed(code);
}

void PlixTalk::Private::onRoster(plix::IRoster *)
{
    if (statusSent || !talk)
        return;
    plix::IStatus *status = talk->Factory()->CreateStatus();
    if (!status)
        return;
    status->SetShow(plix::SHOW_ONLINE);
    status->SetPriority(0);
    talk->Publish(status);
    status->Release();
    statusSent = true;
}

PlixTalk::PlixTalk(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
    registerMetaTypes();
    s_session = this;
    openDefaultLogFiles();
}

PlixTalk::~PlixTalk()
{
    if (s_session == this)
        s_session = nullptr;
    delete d;
    // The media engine wrapper, a child, goes after the library released
    // its engine.
}

ProxySettings PlixTalk::proxySettings() const
{
    return d->talk ? ProxySettings(d->talk->CurrentProxy()) : ProxySettings();
}

MediaEngine *PlixTalk::mediaEngine()
{
    if (!d->engine && d->talk) {
        if (plix::IMediaEngine *engine = d->talk->MediaEngine(0))
            d->engine = new MediaEngineImpl(engine, this);
    }
    return d->engine;
}

QString PlixTalk::loginName() const
{
    return d->talk ? fromLibraryText(d->talk->LoginName()) : QString();
}

bool PlixTalk::isConnected() const
{
    return d->talk && d->talk->IsConnected();
}

bool PlixTalk::openDefaultLogFiles()
{
    TRACE << xmppLogFilePath() << talkLogFilePath();
    QDir().mkpath(logsDir());
    setXMPPDumpToFile(xmppLogFilePath());
    setLogToFile(talkLogFilePath());
    return true;
}

bool PlixTalk::closeLogFiles()
{
    TRACE;
    const bool dumpClosed = setXMPPDumpToFile(QString());
    const bool logClosed = setLogToFile(QString());
    return dumpClosed && logClosed;
}

bool PlixTalk::autoReconnect() const
{
    return d->autoReconnect;
}

void PlixTalk::setAutoReconnect(bool on)
{
    d->autoReconnect = on;
}

QString PlixTalk::xmppDumpFilePath() const
{
    return d->dumpPath;
}

QString PlixTalk::logFilePath() const
{
    return d->logPath;
}

QList<VoicemailMessage> PlixTalk::voicemails() const
{
    QList<VoicemailMessage> messages;
    if (!d->talk || !d->voicemailCount)
        return messages;
    const int count = d->voicemailCount(d->talk);
    for (int index = 0; index < count; ++index) {
        const char *number = nullptr;
        long long timestamp = 0;
        int duration = 0;
        if (!d->voicemail(d->talk, index, &number, &timestamp, &duration))
            continue;
        VoicemailMessage message;
        message.number = QString::fromUtf8(number ? number : "");
        message.timestamp = QDateTime::fromMSecsSinceEpoch(timestamp).toLocalTime();
        message.durationMs = qMax(0, duration);
        messages << message;
    }
    return messages;
}

bool PlixTalk::isLibraryLoaded() const
{
    return d->talk != nullptr;
}

plix::IObjectFactory *PlixTalk::factory() const
{
    return d->talk ? d->talk->Factory() : nullptr;
}

plix::IObjectFactory *PlixTalk::objectFactory()
{
    return s_session ? s_session->factory() : nullptr;
}

QStringList PlixTalk::libraryFileNames()
{
    if (!libraryFileNameOverride().isEmpty())
        return {libraryFileNameOverride()};
    const QString fileName = QStringLiteral("libplixtalk.so");
    QStringList fileNames;
    if (QCoreApplication::instance())
        fileNames << QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    fileNames << QDir::current().filePath(fileName)
              << QDir::cleanPath(
                     QDir::current().filePath(QStringLiteral("../../3rdParty/plixtalk_api/bin/") + fileName));
    fileNames.removeDuplicates();
    return fileNames;
}

void PlixTalk::setLibraryFileName(const QString &fileName)
{
    libraryFileNameOverride() = fileName;
}

void PlixTalk::setReconnectDelays(int firstDelay, int randomSpan)
{
    d->firstDelay = std::max(0, firstDelay);
    d->randomSpan = std::max(0, randomSpan);
}

QString PlixTalk::logsDir()
{
    return TraceLog::logDirectory();
}

QString PlixTalk::traceLogFilePath()
{
    return TraceLog::logFilePath();
}

QString PlixTalk::talkLogFilePath()
{
    return QStringLiteral("%0/%1").arg(logsDir(), QStringLiteral("plixtalk.log"));
}

QString PlixTalk::xmppLogFilePath()
{
    return QStringLiteral("%0/%1").arg(logsDir(), QStringLiteral("plixxmpp.log"));
}

void PlixTalk::removeZippedLogsFile()
{
    QFile::remove(QStringLiteral("%0/%1").arg(logsDir(), QStringLiteral("logs.zip")));
}

void PlixTalk::login(const QString &userName, const QString &password, bool flag)
{
    // A new login, by the user or by the reconnection, replaces any pending one.
    d->reconnectTimer.stop();
    d->automaticLogin = d->reconnecting;
    if (!d->reconnecting) {
        d->attempts = 0;
        d->failureReported = false;
    }
    if (d->talk)
        d->talk->SetServer(kTalkServerHost, kTalkServerPort);
    d->statusSent = false;
    // The talk user is the account's: its id only, like the password's mask.
    TRACE << "userName=" << Trace::tag(userName) << "password=" << TRACE_PASSWORD_MASK;
    d->userChanged = d->userChanged || userName != d->userName;
    d->userName = userName;
    d->password = password;
    d->loginFlag = flag;
    if (!d->talk) {
        TRACE << "No talk library, the login fails";
        QTimer::singleShot(0, this, [this] { d->onLoginFailed(plix::PLIX_TALK_ERROR_SERVER); });
        return;
    }
    d->talk->Login(toLibraryText(userName).constData(), toLibraryText(password).constData(), flag);
}

void PlixTalk::login(bool retry)
{
    d->reconnectTimer.stop();
    d->automaticLogin = false;
    d->attempts = 0;
    d->failureReported = false;
    TRACE << "userName=" << Trace::tag(d->userName) << "password=" << TRACE_PASSWORD_MASK;
    d->retryCount = retry ? 1 : -1;
    if (!d->talk) {
        QTimer::singleShot(0, this, [this] { d->onLoginFailed(plix::PLIX_TALK_ERROR_SERVER); });
        return;
    }
    d->talk->SetServer(kTalkServerHost, kTalkServerPort);
    d->talk->Login(toLibraryText(d->userName).constData(), toLibraryText(d->password).constData(),
                   d->loginFlag);
}

void PlixTalk::logout()
{
    d->stopReconnecting();
    if (d->talk)
        d->talk->Logout();
}

bool PlixTalk::setProxySettings(const ProxySettings &settings)
{
    bool accepted = false;
    {
        // Alive until the library has copied it.
        const QSharedPointer<plix::IProxy> proxy = settings.toPlixProxy();
        if (d->talk && proxy)
            accepted = d->talk->SetProxy(proxy.data());
    }
    TRACE << "Proxy settings changed" << settings.host() << settings.port() << Trace::tag(settings.username())
          << TRACE_PASSWORD_MASK << settings.mode();
    if (!accepted)
        return false;

    const QString user = settings.authEnabled() ? settings.username() : QString();
    const QString password = settings.authEnabled() ? settings.password() : QString();
    const auto port = static_cast<quint16>(settings.port());
    switch (settings.mode()) {
    case ProxySettings::SystemDefault:
        // Back to what the system says, as at start-up.
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        break;
    case ProxySettings::Http:
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, settings.host(), port, user, password));
        break;
    case ProxySettings::Socks5:
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::Socks5Proxy, settings.host(), port, user, password));
        break;
    default:
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        break;
    }
    return true;
}

bool PlixTalk::setXMPPDumpToFile(const QString &path)
{
    d->dumpPath = path;
    if (!d->talk)
        return false;
    return d->talk->SetXmppDumpFile(path.isEmpty() ? nullptr : toLibraryText(path).constData());
}

bool PlixTalk::setLogToFile(const QString &path)
{
    d->logPath = path;
    if (!d->talk)
        return false;
    return d->talk->SetLogFile(path.isEmpty() ? nullptr : toLibraryText(path).constData());
}

void PlixTalk::stopReconnecting()
{
    d->stopReconnecting();
}

void PlixTalk::reconnect()
{
    TRACE << d->retryCount;
    if (d->retryCount < 0)
        return;
    if (!ConnectivityCheck::isOnline()) {
        // Waits for a network without counting an attempt.
        d->reconnectTimer.start(d->firstDelay);
        return;
    }
    ++d->retryCount;
    d->statusSent = false;
    d->reconnecting = true;
    login(d->userName, d->password, d->loginFlag);
    d->reconnecting = false;
}

} // namespace talk
