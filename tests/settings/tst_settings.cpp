#include "settings/dbstore.h"
#include "settings/settings.h"
#include "settings/xdgautostartentry.h"
#include "support/casestore.h"
#include "support/testenvironment.h"
#include "talk/plixtalk.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A talk session whose proxy is already configured.
class ConfiguredTalk : public talk::PlixTalk
{
public:
    talk::ProxySettings proxySettings() const override
    {
        return talk::ProxySettings(talk::ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, true,
                                   QStringLiteral("ann"), QStringLiteral("talk-secret"));
    }
};

// The stored text of a key, or "<none>" without a row.
QString row(const QString &key)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("select value from settings where name = :key"));
    query.bindValue(QStringLiteral(":key"), key);
    if (!query.exec())
        return QStringLiteral("<failed>");
    return query.next() ? query.value(0).toString() : QStringLiteral("<none>");
}

int rowCount(const QString &pattern)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("select count(*) from settings where name like :pattern"));
    query.bindValue(QStringLiteral(":pattern"), pattern);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

// Collects every message while it lives.
class MessageCatcher
{
public:
    MessageCatcher()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &message) { s_messages << message; });
    }
    ~MessageCatcher() { qInstallMessageHandler(m_previous); }
    QStringList messages() const { return s_messages; }

private:
    static QStringList s_messages;
    QtMessageHandler m_previous;
};
QStringList MessageCatcher::s_messages;

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gettersAnswerSeedsThenCallerDefaults();
    void settersWriteOnlyOnChange();
    void onlyTheElevenSettersEmit();
    void devicesAreStoredAsTwoRows();
    void proxySettingsRoundTrip();
    void proxyDefaultsWithoutTalkSession();
    void passwordsAreNeverTraced();
    void removedPasswordLeavesNoCopyOnDisk();
    void autostartFollowsTheStoredValue();
    void autostartFolderFallsBackToHomeConfig();
    void execLineQuotesTheProgram_data();
    void execLineQuotesTheProgram();

private:
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<Settings> m_settings;
    int m_case = 0;
};

void TestSettings::init()
{
    m_store = std::make_unique<CaseStore>(QStringLiteral("settings%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());
}

void TestSettings::cleanup()
{
    m_settings.reset();
    m_store->closeDatabases();
    m_store.reset();
}

void TestSettings::gettersAnswerSeedsThenCallerDefaults()
{
    // Seeded rows win over whatever the caller passes.
    QCOMPARE(m_settings->placeCallHotkey(QStringLiteral("F5")), QStringLiteral("Enter"));
    QCOMPARE(m_settings->autoUpdate(false), true);
    QCOMPARE(m_settings->callStartDblClick(false), true);
    QCOMPARE(m_settings->rememberLogin(true), false);
    QCOMPARE(m_settings->showHideGroupsHotkey(), QStringLiteral("Ctrl+H"));

    // Unseeded keys give the caller's default.
    QCOMPARE(m_settings->loginUser(QStringLiteral("someone")), QStringLiteral("someone"));
    QCOMPARE(m_settings->audioInputVolume(), 25u);
    QCOMPARE(m_settings->audioOutputVolume(60), 60u);
    QCOMPARE(m_settings->noiseSuppression(), true);
    QCOMPARE(m_settings->skipPinSelection(true), true);
    QCOMPARE(m_settings->customProxy(), false);

    // Text that is no number reads as 0; a boolean reads false only for
    // empty text, "0" and "false".
    m_settings->setValue(QStringLiteral("settings.audio.inputVolume"), QStringLiteral("loud"));
    QCOMPARE(m_settings->audioInputVolume(), 0u);
    m_settings->setValue(QStringLiteral("settings.audio.muteAll"), QStringLiteral("FALSE"));
    QCOMPARE(m_settings->muteAll(true), false);
    m_settings->setValue(QStringLiteral("settings.audio.muteAll"), QStringLiteral("yes"));
    QCOMPARE(m_settings->muteAll(false), true);
}

void TestSettings::settersWriteOnlyOnChange()
{
    QSignalSpy volume(m_settings.get(), &Settings::audioInputVolumeChanged);
    m_settings->setAudioInputVolume(25); // the default, with no row
    QCOMPARE(row(QStringLiteral("settings.audio.inputVolume")), QStringLiteral("<none>"));
    QCOMPARE(volume.count(), 0);
    m_settings->setAudioInputVolume(30);
    QCOMPARE(row(QStringLiteral("settings.audio.inputVolume")), QStringLiteral("30"));
    QCOMPARE(volume.count(), 1);
    QCOMPARE(volume.at(0).at(0).toUInt(), 30u);
    m_settings->setAudioInputVolume(30);
    QCOMPARE(volume.count(), 1);

    QSignalSpy autoAnswer(m_settings.get(), &Settings::autoAnswerCallsChanged);
    m_settings->setAutoAnswerCalls(false); // as seeded
    QCOMPARE(autoAnswer.count(), 0);
    m_settings->setAutoAnswerCalls(true);
    QCOMPARE(row(QStringLiteral("settings.call.autoAnswerCalls")), QStringLiteral("true"));
    QCOMPARE(autoAnswer.count(), 1);
    QCOMPARE(autoAnswer.at(0).at(0).toBool(), true);

    QSignalSpy soundPath(m_settings.get(), &Settings::alertSoundPathChanged);
    m_settings->setAlertSoundPath(QString());
    QCOMPARE(row(QStringLiteral("settings.alerts.alertSoundPath")), QStringLiteral("<none>"));
    m_settings->setAlertSoundPath(QStringLiteral("ring.wav"));
    m_settings->setAlertSoundPath(QStringLiteral("ring.wav"));
    m_settings->setAlertSoundPath(QStringLiteral("Ring.wav")); // letter case counts
    QCOMPARE(soundPath.count(), 2);
    QCOMPARE(m_settings->alertSoundPath(), QStringLiteral("Ring.wav"));

    // The custom-proxy flag is written on every call.
    m_settings->setCustomProxy(false);
    QCOMPARE(row(QStringLiteral("settings.connection.proxy.custom")), QStringLiteral("false"));
}

void TestSettings::onlyTheElevenSettersEmit()
{
    QMap<QByteArray, std::shared_ptr<QSignalSpy>> spies;
    const QMetaObject *meta = m_settings->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal)
            spies.insert(method.name(), std::make_shared<QSignalSpy>(m_settings.get(), method));
    }
    QCOMPARE(spies.size(), 11);
    const auto emitted = [&spies] {
        QStringList names;
        for (auto it = spies.cbegin(); it != spies.cend(); ++it) {
            if (!it.value()->isEmpty())
                names << QString::fromLatin1(it.key());
            it.value()->clear();
        }
        return names;
    };

    // Every silent setter, each with a value that changes its row.
    Settings &s = *m_settings;
    s.setAutoLogin(true);
    s.setRememberLogin(true);
    s.setLoginUser(QStringLiteral("ann"));
    s.setLoginPassword(QStringLiteral("pw"));
    s.setShowWelcome(false);
    s.setSkipPinSelection(true);
    s.setMinimizeToTrayHint(false);
    s.setMuteAll(true);
    s.setNoiseSuppression(false);
    s.setAutomaticGainControl(false);
    s.setEchoCancellation(false);
    s.setAutoUpdate(false);
    s.setCustomProxy(true);
    s.setAutostart(false);
    s.setProxySettings(
        talk::ProxySettings(talk::ProxySettings::Socks5, QStringLiteral("h"), 1, false, {}, {}));
    s.setPlaceCallHotkey(QStringLiteral("F1"));
    s.setCancelCallHotkey(QStringLiteral("F2"));
    s.setIncreaseSpeakerVolHotkey(QStringLiteral("F3"));
    s.setDecreaseSpeakerVolHotkey(QStringLiteral("F4"));
    s.setIncreaseMicVolHotkey(QStringLiteral("F5"));
    s.setDecreaseMicVolHotkey(QStringLiteral("F6"));
    s.setShowHideGroupsHotkey(QStringLiteral("F7"));
    s.setPlaceCallHotkeyEnabled(false);
    s.setCancelCallHotkeyEnabled(false);
    s.setIncreaseSpeakerVolHotkeyEnabled(false);
    s.setDecreaseSpeakerVolHotkeyEnabled(false);
    s.setIncreaseMicVolHotkeyEnabled(false);
    s.setDecreaseMicVolHotkeyEnabled(false);
    s.setShowHideGroupsHotkeyEnabled(false);
    QCOMPARE(emitted(), QStringList());
    QCOMPARE(s.autoLogin(), true);
    QCOMPARE(s.placeCallHotkey(), QStringLiteral("F1"));
    QCOMPARE(s.showHideGroupsHotkeyEnabled(), false);

    const QList<std::pair<const char *, std::function<void()>>> loud = {
        {"minimizeToTrayOnCloseChanged",
         [&s] {
             s.setMinimizeToTrayOnClose(false);
         }},
        {"callStartDblClickChanged",
         [&s] {
             s.setCallStartDblClick(false);
         }},
        {"autoAnswerCallsChanged",
         [&s] {
             s.setAutoAnswerCalls(true);
         }},
        {"audioInputDeviceChanged",
         [&s] {
             s.setAudioInputDevice(talk::Device(QStringLiteral("i"), {}));
         }},
        {"audioInputVolumeChanged",
         [&s] {
             s.setAudioInputVolume(10);
         }},
        {"audioOutputDeviceChanged",
         [&s] {
             s.setAudioOutputDevice(talk::Device(QStringLiteral("o"), {}));
         }},
        {"audioOutputVolumeChanged",
         [&s] {
             s.setAudioOutputVolume(90);
         }},
        {"muteAllSoundsChanged",
         [&s] {
             s.setMuteAllSounds(true);
         }},
        {"alertNotificationChanged",
         [&s] {
             s.setAlertNotification(false);
         }},
        {"alertSoundChanged",
         [&s] {
             s.setAlertSound(true);
         }},
        {"alertSoundPathChanged",
         [&s] {
             s.setAlertSoundPath(QStringLiteral("a.wav"));
         }},
    };
    for (const auto &[signal, set] : loud) {
        set();
        QCOMPARE(emitted(), QStringList {QString::fromLatin1(signal)});
        set(); // unchanged now
        QCOMPARE(emitted(), QStringList());
    }
}

void TestSettings::devicesAreStoredAsTwoRows()
{
    const talk::Device fallback(QStringLiteral("fallback-id"), QStringLiteral("Fallback"));
    QSignalSpy changed(m_settings.get(), &Settings::audioInputDeviceChanged);

    m_settings->setAudioInputDevice(talk::Device(QStringLiteral("hw:1"), QStringLiteral("USB Mic")));
    QCOMPARE(row(QStringLiteral("settings.audio.inputDevice.id")), QStringLiteral("hw:1"));
    QCOMPARE(row(QStringLiteral("settings.audio.inputDevice.name")), QStringLiteral("USB Mic"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<talk::Device>().id(), QStringLiteral("hw:1"));
    const talk::Device stored = m_settings->audioInputDevice(fallback);
    QCOMPARE(stored.id(), QStringLiteral("hw:1"));
    QCOMPARE(stored.name(), QStringLiteral("USB Mic"));
    QCOMPARE(stored.displayName(), QStringLiteral("USB Mic"));
    QVERIFY(!stored.isNull());

    // Same id, new name: the same device, not stored again.
    m_settings->setAudioInputDevice(talk::Device(QStringLiteral("hw:1"), QStringLiteral("Renamed")));
    QCOMPARE(row(QStringLiteral("settings.audio.inputDevice.name")), QStringLiteral("USB Mic"));
    QCOMPARE(changed.count(), 1);

    // One row alone is no device.
    m_settings->remove(QStringLiteral("settings.audio.inputDevice.name"));
    QCOMPARE(m_settings->audioInputDevice(fallback).name(), QStringLiteral("Fallback"));
    QVERIFY(m_settings->audioInputDevice().isNull());

    // A null device removes both rows.
    m_settings->setAudioInputDevice(talk::Device(QStringLiteral("hw:1"), QStringLiteral("USB Mic")));
    m_settings->setAudioInputDevice(talk::Device());
    QCOMPARE(rowCount(QStringLiteral("settings.audio.inputDevice.%")), 0);
    QCOMPARE(changed.count(), 3);
    QVERIFY(changed.last().at(0).value<talk::Device>().isNull());
    QCOMPARE(m_settings->audioInputDevice(fallback).id(), QStringLiteral("fallback-id"));

    // The output device has rows of its own.
    m_settings->setAudioOutputDevice(talk::Device(QStringLiteral("hw:2"), QStringLiteral("Speakers")));
    QCOMPARE(row(QStringLiteral("settings.audio.outputDevice.id")), QStringLiteral("hw:2"));
    QCOMPARE(row(QStringLiteral("settings.audio.outputDevice.name")), QStringLiteral("Speakers"));
    QVERIFY(m_settings->audioInputDevice().isNull());
}

void TestSettings::proxySettingsRoundTrip()
{
    ConfiguredTalk session;
    m_settings->setTalk(&session);

    // Without rows: the session's values, but never its authentication flag.
    const talk::ProxySettings fromTalk(talk::ProxySettings::Http, QStringLiteral("proxy.lan"), 3128, false,
                                       QStringLiteral("ann"), QStringLiteral("talk-secret"));
    QCOMPARE(m_settings->proxySettings(), fromTalk);

    // Already in force: nothing written.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("already present... skipping...")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Proxy Settings: ")));
    m_settings->setProxySettings(fromTalk);
    QCOMPARE(rowCount(QStringLiteral("settings.connection.%")), 0);

    const talk::ProxySettings custom(talk::ProxySettings::Socks5, QStringLiteral("socks.lan"), 1080, true,
                                     QStringLiteral("bob"), QStringLiteral("pw1"));
    m_settings->setProxySettings(custom);
    QCOMPARE(rowCount(QStringLiteral("settings.connection.%")), 6);
    QCOMPARE(row(QStringLiteral("settings.connection.proxyMode")), QStringLiteral("2"));
    QCOMPARE(row(QStringLiteral("settings.connection.proxyHost")), QStringLiteral("socks.lan"));
    QCOMPARE(row(QStringLiteral("settings.connection.proxyPort")), QStringLiteral("1080"));
    QCOMPARE(row(QStringLiteral("settings.connection.proxyAuthEnabled")), QStringLiteral("true"));
    QCOMPARE(row(QStringLiteral("settings.connection.proxyUsername")), QStringLiteral("bob"));
    QCOMPARE(row(QStringLiteral("settings.connection.proxyPassword")), QStringLiteral("pw1"));
    QCOMPARE(m_settings->proxySettings(), custom);
    QCOMPARE(m_settings->customProxy(), false); // a separate choice

    talk::ProxySettings newPassword = custom;
    newPassword.setPassword(QStringLiteral("pw2"));
    m_settings->setProxySettings(newPassword);
    QCOMPARE(row(QStringLiteral("settings.connection.proxyPassword")), QStringLiteral("pw2"));
    QCOMPARE(m_settings->proxySettings(), newPassword);
}

void TestSettings::proxyDefaultsWithoutTalkSession()
{
    QCOMPARE(m_settings->proxySettings(), talk::ProxySettings());

    const talk::ProxySettings none(talk::ProxySettings::NoProxy, {}, 0, false, {}, {});
    m_settings->setProxySettings(none);
    QCOMPARE(m_settings->proxySettings(), none);
}

void TestSettings::passwordsAreNeverTraced()
{
    const QString secret = QStringLiteral("Pa55-unique-word");
    QStringList messages;
    {
        MessageCatcher catcher;
        const talk::ProxySettings proxy(talk::ProxySettings::Http, QStringLiteral("h"), 8080, true,
                                        QStringLiteral("u"), secret);
        m_settings->setProxySettings(proxy);
        m_settings->setProxySettings(proxy); // the "already present" traces
        m_settings->setLoginPassword(secret);
        messages = catcher.messages();
    }
    QVERIFY(messages.join(QLatin1Char('\n')).contains(QStringLiteral("already present")));
    QVERIFY(!messages.join(QLatin1Char('\n')).contains(secret));
    QCOMPARE(m_settings->loginPassword(), secret);
}

void TestSettings::removedPasswordLeavesNoCopyOnDisk()
{
    // Every remembered login wrote the page again, into the journal.
    for (int i = 0; i < 7; ++i)
        m_settings->setLoginPassword(QStringLiteral("Secret-word-%1").arg(i));
    m_settings->removeLoginPassword();
    QCOMPARE(row(QStringLiteral("login.pass")), QStringLiteral("<none>"));

    for (const QString &suffix : {QString(), QStringLiteral("-wal")}) {
        QFile file(m_store->databasePath() + suffix);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QVERIFY2(!file.readAll().contains("Secret-word-"), qPrintable(file.fileName()));
    }
}

void TestSettings::autostartFollowsTheStoredValue()
{
    const QString entry = XdgAutostartEntry::filePath(QCoreApplication::applicationName());
    QVERIFY(entry.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/")));
    QVERIFY(entry.endsWith(QStringLiteral("/Halvetta Linkora Test.desktop")));
    QFile::remove(entry);

    // Reading writes nothing; writing, even the seeded value, writes the entry.
    QCOMPARE(m_settings->autostart(false), true);
    QVERIFY(!QFile::exists(entry));
    m_settings->setAutostart(true);
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Exec=")
                           + XdgAutostartEntry::execArgument(QCoreApplication::applicationFilePath())));

    m_settings->setAutostart(false);
    QCOMPARE(row(QStringLiteral("login.autostart")), QStringLiteral("false"));
    QVERIFY(!QFile::exists(entry));

    // A stale entry stays through reads and goes with the next write.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(m_settings->autostart(true), false);
    QVERIFY(QFile::exists(entry));
    m_settings->setAutostart(false);
    QVERIFY(!QFile::exists(entry));

    m_settings->setAutostart(true);
    QCOMPARE(row(QStringLiteral("login.autostart")), QStringLiteral("true"));
    QVERIFY(QFileInfo(entry).size() > 0);

    // Where it is not available the value is kept, the entry never touched.
    m_settings->setAutostartAvailable(false);
    m_settings->setAutostart(false);
    QCOMPARE(row(QStringLiteral("login.autostart")), QStringLiteral("false"));
    QVERIFY(QFileInfo(entry).size() > 0);
    QFile::remove(entry);
    m_settings->setAutostart(true);
    QVERIFY(!QFile::exists(entry));
}

void TestSettings::autostartFolderFallsBackToHomeConfig()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString entry = XdgAutostartEntry::filePath(QStringLiteral("App"));
    qputenv("XDG_CONFIG_HOME", saved);
    QCOMPARE(entry, QDir::homePath() + QStringLiteral("/.config/autostart/App.desktop"));
    QVERIFY(entry.startsWith(TestEnvironment::root()));
}

void TestSettings::execLineQuotesTheProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << "/usr/bin/linkora"
                           << R"("/usr/bin/linkora")";
    QTest::newRow("blank") << "/opt/My Apps/linkora"
                           << R"("/opt/My Apps/linkora")";
    QTest::newRow("shell characters") << R"(/opt/a"b$c`d)"
                                      << R"("/opt/a\\"b\\$c\\`d")";
    QTest::newRow("backslash") << R"(/opt/a\b)"
                               << R"("/opt/a\\\\b")";
    QTest::newRow("percent") << "/opt/100%/linkora"
                             << R"("/opt/100%%/linkora")";
}

void TestSettings::execLineQuotesTheProgram()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QCOMPARE(XdgAutostartEntry::execArgument(program), argument);
}

LINKORA_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
