#include "settings/settings.h"
#include "support/casestore.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/mediaengine.h"
#include "ui/settingsdialog.h"
#include "ui/shortcutbutton.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

// What opening the preferences and pressing Save cost with a full device
// list (20 microphones, 20 speakers) and every hot key set by the user.
class BenchSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void open();
    void save();

private:
    void offerDevices(plix::MEDIA_DEVICE_TYPE type, const char *prefix);
    static void report(const char *what, std::vector<qint64> times);

    static constexpr int Rounds = 30;
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<talk::PlixTalk> m_talk;
};

void BenchSettingsDialog::initTestCase()
{
    const PlixStandinControl *control = TalkTesting::control();
    QVERIFY(control);
    TalkTesting::useStandIn();
    UiLook::install();
    m_store = std::make_unique<CaseStore>(QStringLiteral("benchsettingsdialog.px"));
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());
    m_talk = std::make_unique<talk::PlixTalk>();
    QSignalSpy completed(m_talk.get(), &talk::PlixTalk::loginCompleted);
    m_talk->login(QStringLiteral("bob@talk.example"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);
    offerDevices(plix::MEDIA_DEVICE_INPUT, "in");
    offerDevices(plix::MEDIA_DEVICE_OUTPUT, "out");
    QCOMPARE(m_talk->mediaEngine()->inputDevices().size(), 20);

    // Saved devices far down the lists, and every key the user's own.
    m_settings->setAudioInputDevice(m_talk->mediaEngine()->inputDevices().at(15));
    m_settings->setAudioOutputDevice(m_talk->mediaEngine()->outputDevices().at(17));
    m_settings->setPlaceCallHotkey(QStringLiteral("Ctrl+P"));
    m_settings->setCancelCallHotkey(QStringLiteral("Ctrl+E"));
    m_settings->setIncreaseSpeakerVolHotkey(QStringLiteral("Ctrl+Shift+Up"));
    m_settings->setDecreaseSpeakerVolHotkey(QStringLiteral("Ctrl+Shift+Down"));
    m_settings->setIncreaseMicVolHotkey(QStringLiteral("Alt+Up"));
    m_settings->setDecreaseMicVolHotkey(QStringLiteral("Alt+Down"));
    m_settings->setShowHideGroupsHotkey(QStringLiteral("Ctrl+G"));
}

void BenchSettingsDialog::cleanupTestCase()
{
    m_talk.reset();
    m_settings.reset();
    m_store->closeDatabases();
}

void BenchSettingsDialog::offerDevices(plix::MEDIA_DEVICE_TYPE type, const char *prefix)
{
    const QStringList stems = {QStringLiteral("Headset"), QStringLiteral("Микрофон"), QStringLiteral("Ηχείο"),
                               QStringLiteral("麦克风")};
    QList<QByteArray> ids;
    QList<QByteArray> names;
    std::vector<const char *> idPointers;
    std::vector<const char *> namePointers;
    for (int i = 0; i < 20; ++i) {
        ids << QByteArray(prefix) + '-' + QByteArray::number(i);
        names << QStringLiteral("%1 %2").arg(stems.at(i % stems.size())).arg(i).toUtf8();
    }
    for (int i = 0; i < 20; ++i) {
        idPointers.push_back(ids.at(i).constData());
        namePointers.push_back(names.at(i).constData());
    }
    QSignalSpy changed(m_talk->mediaEngine(), &talk::MediaEngine::deviceChanged);
    QVERIFY(TalkTesting::control()->set_devices(type, idPointers.data(), namePointers.data(), 20));
    QVERIFY(changed.wait(2000));
}

void BenchSettingsDialog::report(const char *what, std::vector<qint64> times)
{
    std::sort(times.begin(), times.end());
    qInfo("%s: median %.2f ms, slowest %.2f ms over %d rounds", what, times.at(times.size() / 2) / 1e6,
          times.back() / 1e6, int(times.size()));
}

// From the click on the menu entry to the dialog painted on screen.
void BenchSettingsDialog::open()
{
    std::vector<qint64> times;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        SettingsDialog dialog(m_talk.get(), m_settings.get());
        dialog.show();
        QCoreApplication::sendPostedEvents();
        dialog.repaint();
        times.push_back(timer.nsecsElapsed());
        QCOMPARE(dialog.findChild<ShortcutButton *>(QStringLiteral("callHotKeyShortcutButton"))
                     ->effectiveKeySequence()
                     .toString(),
                 QStringLiteral("Ctrl+P"));
    }
    report("open", times);
    QVERIFY2(times.at(times.size() / 2) < 100 * 1000 * 1000, "opening takes 100 ms or more");
}

// Save with two options changed each round, so that rows are written.
void BenchSettingsDialog::save()
{
    std::vector<qint64> times;
    for (int round = 0; round < Rounds; ++round) {
        SettingsDialog dialog(m_talk.get(), m_settings.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.findChild<QCheckBox *>(QStringLiteral("autoAnswerCheckBox"))->toggle();
        dialog.findChild<QCheckBox *>(QStringLiteral("muteAllCheckBox"))->toggle();
        QElapsedTimer timer;
        timer.start();
        dialog.accept();
        times.push_back(timer.nsecsElapsed());
        QCOMPARE(m_settings->autoAnswerCalls(), round % 2 == 0);
    }
    report("save", times);
    QVERIFY2(times.at(times.size() / 2) < 20 * 1000 * 1000, "saving takes 20 ms or more");
}

LINKORA_TEST_MAIN(BenchSettingsDialog)
#include "bench_settingsdialog.moc"
