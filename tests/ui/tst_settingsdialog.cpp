#include "keyboardhelpers.h"
#include "settings/settings.h"
#include "settings/xdgautostartentry.h"
#include "settingsdialoghelpers.h"
#include "support/casestore.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/device.h"
#include "talk/mediaengine.h"
#include "ui/proxysettingsdialog.h"
#include "ui/settingsdialog.h"
#include "ui/shortcutbutton.h"
#include "uitesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

using KeyboardTesting::Fingers;
using namespace SettingsTesting;
using talk::Device;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// The check boxes of the general and audio pages, then the seven hot-key
// switches, in the order of the form.
const QStringList kOptionBoxes = {"autoStartCheckBox",           "minimizeToTrayOnCloseCheckBox",
                                  "autoUpdateCheckBox",          "skipPinConfirmationCheckBox",
                                  "douleClickToCallCheckBox",    "autoAnswerCheckBox",
                                  "customInternetProxyCheckBox", "muteAllCheckBox",
                                  "noiseSuppresionCheckBox",     "automaticGainControlCheckBox",
                                  "echoCancelationCheckBox"};
const QStringList kHotKeyBoxes = {"callHotKeyCheckBox",
                                  "cancelHotKeyCheckBox",
                                  "increaseSpeakerVolHotKeyCheckBox",
                                  "decreaseSpeakerVolHotKeyCheckBox",
                                  "increaseMicHotKeyCheckBox",
                                  "decreaseMicVolHotKeyCheckBox",
                                  "showHideGroupsHotKeyCheckBox"};
const QStringList kHotKeyButtons = {"callHotKeyShortcutButton",
                                    "cancelHotKeyShortcutButton",
                                    "increaseSpeakerVolHotKeyShortcutButton",
                                    "decreaseSpeakerVolHotKeyShortcutButton",
                                    "increaseMicVolHotKeyShortcutButton",
                                    "decreaseMicVolHotKeyShortcutButton",
                                    "showHideGroupsHotKeyShortcutButton"};

// What the stored settings hold, read with the dialog's load defaults, in
// the form "<11 options>|<7 switches>|<7 keys>", e.g.
// "11101000111|1111111|Enter Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+H".
QString storedState(Settings &s)
{
    const QList<bool> options = {s.autostart(true),         s.minimizeToTrayOnClose(true),
                                 s.autoUpdate(false),       s.skipPinSelection(false),
                                 s.callStartDblClick(true), s.autoAnswerCalls(false),
                                 s.customProxy(false),      s.muteAll(false),
                                 s.noiseSuppression(true),  s.automaticGainControl(true),
                                 s.echoCancellation(true)};
    const QList<bool> switches = {s.placeCallHotkeyEnabled(),          s.cancelCallHotkeyEnabled(),
                                  s.increaseSpeakerVolHotkeyEnabled(), s.decreaseSpeakerVolHotkeyEnabled(),
                                  s.increaseMicVolHotkeyEnabled(),     s.decreaseMicVolHotkeyEnabled(),
                                  s.showHideGroupsHotkeyEnabled()};
    const QStringList keys
        = {s.placeCallHotkey(),          s.cancelCallHotkey(),     s.increaseSpeakerVolHotkey(),
           s.decreaseSpeakerVolHotkey(), s.increaseMicVolHotkey(), s.decreaseMicVolHotkey(),
           s.showHideGroupsHotkey()};
    QString state;
    for (bool on : options)
        state += on ? QLatin1Char('1') : QLatin1Char('0');
    state += QLatin1Char('|');
    for (bool on : switches)
        state += on ? QLatin1Char('1') : QLatin1Char('0');
    return state + QLatin1Char('|') + keys.join(QLatin1Char(' '));
}

// The same, read from the form.
QString formState(const SettingsDialog &dialog)
{
    QString state;
    for (const QString &name : kOptionBoxes)
        state += dialog.findChild<QCheckBox *>(name)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    state += QLatin1Char('|');
    for (const QString &name : kHotKeyBoxes)
        state += dialog.findChild<QCheckBox *>(name)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    QStringList keys;
    for (const QString &name : kHotKeyButtons) {
        keys << dialog.findChild<ShortcutButton *>(name)
                    ->findChild<QPushButton *>(QStringLiteral("pushButton"))
                    ->text();
    }
    return state + QLatin1Char('|') + keys.join(QLatin1Char(' '));
}

const QString kDefaultKeys = QStringLiteral("Enter Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+H");

QString currentDevice(plix::MEDIA_DEVICE_TYPE type)
{
    return QString::fromUtf8(control()->current_device(type));
}

bool autostartEntryExists()
{
    return !QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart"))
                .entryList({QStringLiteral("*.desktop")}, QDir::Files)
                .isEmpty();
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithTheStoredValues_data();
    void opensWithTheStoredValues();
    void saveWritesEverythingToTheFile();
    void resetChangesTheFormOnly();
    void clashingHotKeysAreRefused_data();
    void clashingHotKeysAreRefused();
    void resetClashingWithALaterRowIsSetBack();
    void keyWithoutModifierIsRefusedWithTheReason_data();
    void keyWithoutModifierIsRefusedWithTheReason();
    void manyDevicesWithForeignNames();
    void savedDeviceFallbacks_data();
    void savedDeviceFallbacks();
    void deviceGoneWhileOpen();
    void engineNotInitialised();
    void customProxyThroughItsDialog_data();
    void customProxyThroughItsDialog();
    void closeToTrayWithoutATray();
    void noAutostartWhereItCannotWork();
    void screenshots();

private:
    SettingsDialog *openDialog(talk::PlixTalk *talk = nullptr);
    // Clicks the hot-key button of the row and types the combination.
    void capture(int row, const QString &combination);
    template<typename T>
    T *child(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    // Closes the database and reads the settings from the file afresh.
    Settings &reopenSettings();
    // The devices the stand-in offers: count of each kind, names in many scripts.
    void offerDevices(int count);

    int m_case = 0;
    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<talk::PlixTalk> m_talk;
    std::unique_ptr<SettingsDialog> m_dialog;
};

void TestSettingsDialog::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
}

void TestSettingsDialog::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_store = std::make_unique<CaseStore>(QStringLiteral("settingsdialog%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());
    m_talk = std::make_unique<talk::PlixTalk>();
    m_settings->setTalk(m_talk.get());
    QSignalSpy completed(m_talk.get(), &talk::PlixTalk::loginCompleted);
    m_talk->login(QStringLiteral("bob@talk.example"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);
    QVERIFY(m_talk->mediaEngine());
}

void TestSettingsDialog::cleanup()
{
    m_dialog.reset();
    m_talk.reset();
    m_settings.reset();
    m_store->closeDatabases();
    m_store.reset();
    m_prompts.reset();
}

SettingsDialog *TestSettingsDialog::openDialog(talk::PlixTalk *talk)
{
    m_dialog = std::make_unique<SettingsDialog>(talk ? talk : m_talk.get(), m_settings.get());
    m_dialog->show();
    if (!QTest::qWaitForWindowActive(m_dialog.get()))
        return nullptr;
    return m_dialog.get();
}

void TestSettingsDialog::capture(int row, const QString &combination)
{
    auto *button = m_dialog->findChild<ShortcutButton *>(kHotKeyButtons.at(row));
    if (m_dialog->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->currentWidget()->objectName()
        != QLatin1String("hotKeysPage")) {
        QTest::mouseClick(child<QPushButton>("hotKeysButton"), Qt::LeftButton);
    }
    QTest::mouseClick(button->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    QVERIFY(button->isEditing());
    QVERIFY(Fingers().type(combination));
    QVERIFY(!button->isEditing());
}

Settings &TestSettingsDialog::reopenSettings()
{
    m_dialog.reset();
    m_settings.reset();
    m_store->closeDatabases();
    const QString file = m_store->databaseFileName();
    m_store = std::make_unique<CaseStore>(file);
    m_store->loadDatabases();
    m_settings = std::make_unique<Settings>(m_store.get());
    return *m_settings;
}

void TestSettingsDialog::offerDevices(int count)
{
    // Latin, Cyrillic, Greek, Chinese, Arabic, and markup that must stay text.
    const QStringList stems
        = {QStringLiteral("Headset"), QStringLiteral("Микрофон"), QStringLiteral("Ηχείο"),
           QStringLiteral("麦克风"),  QStringLiteral("سماعة"),    QStringLiteral("<img src=/dev/zero>")};
    for (const plix::MEDIA_DEVICE_TYPE type : {plix::MEDIA_DEVICE_INPUT, plix::MEDIA_DEVICE_OUTPUT}) {
        QList<QByteArray> ids;
        QList<QByteArray> names;
        for (int i = 0; i < count; ++i) {
            ids << QStringLiteral("%1-%2")
                       .arg(type == plix::MEDIA_DEVICE_INPUT ? "in" : "out")
                       .arg(i)
                       .toUtf8();
            names << QStringLiteral("%1 %2").arg(stems.at(i % stems.size())).arg(i).toUtf8();
        }
        std::vector<const char *> idPointers;
        std::vector<const char *> namePointers;
        for (int i = 0; i < count; ++i) {
            idPointers.push_back(ids.at(i).constData());
            namePointers.push_back(names.at(i).constData());
        }
        QSignalSpy changed(m_talk->mediaEngine(), &talk::MediaEngine::deviceChanged);
        QVERIFY(control()->set_devices(type, idPointers.data(), namePointers.data(), count));
        QVERIFY(changed.wait(2000));
    }
}

void TestSettingsDialog::opensWithTheStoredValues_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    QTest::newRow("fresh database") << "seeded" << QStringLiteral("11101000111|1111111|") + kDefaultKeys;
    // Without rows the load defaults apply: updates off.
    QTest::newRow("keys absent") << "absent" << QStringLiteral("11001000111|1111111|") + kDefaultKeys;
    QTest::newRow("the user's own values")
        << "own"
        << "00010111000|0101011|Return F8 Ctrl+Shift+Up Ctrl+Shift+Down Alt+Up Alt+Down Ctrl+G";
    // An empty key text leaves the button's default in force.
    QTest::newRow("empty key texts")
        << "empty"
        << "11101000111|1111111|Return Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left "
           "Ctrl+H";
}

void TestSettingsDialog::opensWithTheStoredValues()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    Settings &s = *m_settings;
    if (stored == QLatin1String("absent")) {
        for (const char *key :
             {"login.autostart", "ui.minimizetotray", "settings.update.autoUpdate",
              "settings.call.callStartDblClick", "settings.call.autoAnswerCalls",
              "settings.hotkeys.placeCall", "settings.hotkeys.cancelCall",
              "settings.hotkeys.increaseSpeakerVol", "settings.hotkeys.decreaseSpeakerVol",
              "settings.hotkeys.increaseMicVol", "settings.hotkeys.decreaseMicVol",
              "settings.hotkeys.showHideGroups", "settings.hotkeys.placeCallEnabled",
              "settings.hotkeys.cancelCallEnabled", "settings.hotkeys.increaseSpeakerVolEnabled",
              "settings.hotkeys.decreaseSpeakerVolEnabled", "settings.hotkeys.increaseMicVolEnabled",
              "settings.hotkeys.decreaseMicVolEnabled", "settings.hotkeys.showHideGroupsEnabled"}) {
            s.remove(QLatin1String(key));
        }
    } else if (stored == QLatin1String("own")) {
        s.setAutostart(false);
        s.setMinimizeToTrayOnClose(false);
        s.setAutoUpdate(false);
        s.setSkipPinSelection(true);
        s.setCallStartDblClick(false);
        s.setAutoAnswerCalls(true);
        s.setCustomProxy(true);
        s.setMuteAll(true);
        s.setNoiseSuppression(false);
        s.setAutomaticGainControl(false);
        s.setEchoCancellation(false);
        s.setPlaceCallHotkeyEnabled(false);
        s.setIncreaseSpeakerVolHotkeyEnabled(false);
        s.setIncreaseMicVolHotkeyEnabled(false);
        s.setShowHideGroupsHotkeyEnabled(true);
        s.setPlaceCallHotkey(QStringLiteral("Return"));
        s.setCancelCallHotkey(QStringLiteral("F8"));
        s.setIncreaseSpeakerVolHotkey(QStringLiteral("Ctrl+Shift+Up"));
        s.setDecreaseSpeakerVolHotkey(QStringLiteral("Ctrl+Shift+Down"));
        s.setIncreaseMicVolHotkey(QStringLiteral("Alt+Up"));
        s.setDecreaseMicVolHotkey(QStringLiteral("Alt+Down"));
        s.setShowHideGroupsHotkey(QStringLiteral("Ctrl+G"));
    } else if (stored == QLatin1String("empty")) {
        s.setValue(QStringLiteral("settings.hotkeys.placeCall"), QString());
    }

    SettingsDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Preferences"));
    QCOMPARE(formState(*dialog), shown);
    QVERIFY(m_prompts->requests.isEmpty());
}

void TestSettingsDialog::saveWritesEverythingToTheFile()
{
    m_settings->setAutostart(true);
    QVERIFY(autostartEntryExists());
    QVERIFY(openDialog());
    // Every option but the custom proxy, which has its own dialog.
    for (const QString &name : kOptionBoxes) {
        if (name == QLatin1String("customInternetProxyCheckBox"))
            continue;
        QCheckBox *box = m_dialog->findChild<QCheckBox *>(name);
        if (!box->isVisible())
            QTest::mouseClick(child<QPushButton>(name.startsWith(QLatin1String("m"))
                                                         || name.contains("Cancel")
                                                         || name.contains("Suppres") || name.contains("Gain")
                                                     ? "audioSettingsButton"
                                                     : "generalSettingsButton"),
                              Qt::LeftButton);
        clickCheckBox(box);
    }
    QTest::mouseClick(child<QPushButton>("hotKeysButton"), Qt::LeftButton);
    clickCheckBox(child<QCheckBox>("cancelHotKeyCheckBox"));
    clickCheckBox(child<QCheckBox>("showHideGroupsHotKeyCheckBox"));
    capture(0, QStringLiteral("Ctrl+P"));
    capture(1, QStringLiteral("Return"));
    capture(6, QStringLiteral("Ctrl+Shift+G"));
    QTest::mouseClick(child<QPushButton>("audioSettingsButton"), Qt::LeftButton);
    chooseWithKeys(child<QComboBox>("microphoneComboBox"), 2);
    chooseWithKeys(child<QComboBox>("speakersComboBox"), 1);
    QCOMPARE(m_prompts->requests.size(), 0);

    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));

    Settings &fresh = reopenSettings();
    QCOMPARE(storedState(fresh),
             QStringLiteral(
                 "00010101000|1011110|Ctrl+P Return Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+Shift+G"));
    QCOMPARE(fresh.audioInputDevice().id(), QStringLiteral("mic-usb-2"));
    QCOMPARE(fresh.audioOutputDevice().id(), QStringLiteral("spk-usb-1"));
    QCOMPARE(fresh.audioOutputDevice().name(), QStringLiteral("USB Headset"));
    // Starting with the session is off for the desktop too.
    QVERIFY(!autostartEntryExists());
}

void TestSettingsDialog::resetChangesTheFormOnly()
{
    Settings &s = *m_settings;
    s.setAutostart(false);
    s.setAutoUpdate(false);
    s.setSkipPinSelection(true);
    s.setCustomProxy(true);
    s.setMuteAll(true);
    s.setCancelCallHotkeyEnabled(false);
    s.setPlaceCallHotkey(QStringLiteral("Ctrl+P"));
    s.setShowHideGroupsHotkey(QStringLiteral("Ctrl+G"));
    const QString stored = storedState(s);
    QCOMPARE(stored,
             QStringLiteral("01011011111|1011111|Ctrl+P Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+G"));

    QVERIFY(openDialog());
    QTest::mouseClick(child<QPushButton>("resetButton"), Qt::LeftButton);
    // The place-call key goes back to the key pad's Enter, not to the
    // button's own default Return.
    QCOMPARE(formState(*m_dialog), QStringLiteral("11101000111|1111111|") + kDefaultKeys);
    QVERIFY(m_prompts->requests.isEmpty());

    // Closed from the title bar: nothing stored, the custom proxy either.
    QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QCOMPARE(storedState(reopenSettings()), stored);
    QVERIFY(openDialog());
    QVERIFY(child<QCheckBox>("customInternetProxyCheckBox")->isChecked());

    // Escape closes without storing as well.
    QTest::mouseClick(child<QPushButton>("resetButton"), Qt::LeftButton);
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(storedState(reopenSettings()), stored);
}

void TestSettingsDialog::clashingHotKeysAreRefused_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<QString>("keys");

    // Refused, a button set back to its default still has a key after Save.
    QTest::newRow("place call takes the groups' Ctrl+H") << 0 << "Ctrl+H" << QString() << 1 << kDefaultKeys;
    QTest::newRow("speaker up takes microphone down's Alt+Left")
        << 2 << "Alt+Left" << QString() << 1 << kDefaultKeys;
    QTest::newRow("every row refused once") << -1 << "Ctrl+H"
                                            << "Alt+Left" << 12 << kDefaultKeys;
    QTest::newRow("a custom key refused keeps the custom key")
        << 3 << "Ctrl+D"
        << "Esc" << 1 << "Enter Esc Ctrl+Right Ctrl+D Alt+Right Alt+Left Ctrl+H";
    QTest::newRow("a free key") << 6 << "Ctrl+G" << QString() << 0
                                << "Enter Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+G";
    // The main Return is another key than the key pad's Enter.
    QTest::newRow("Return beside Enter")
        << 1 << "Return" << QString() << 0 << "Enter Return Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+H";
    QTest::newRow("a key given up can be taken")
        << 6 << "Ctrl+G"
        << "Ctrl+H" << 0 << "Ctrl+H Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+G";
}

void TestSettingsDialog::clashingHotKeysAreRefused()
{
    QFETCH(int, row);
    QFETCH(QString, first);
    QFETCH(QString, then);
    QFETCH(int, warnings);
    QFETCH(QString, keys);
    // A person who reads each warning for a moment.
    m_prompts->readingTime = 20;
    QVERIFY(openDialog());

    if (row < 0) {
        // Each row tries both keys that other rows hold.
        for (int i = 0; i < kHotKeyButtons.size(); ++i) {
            capture(i, first);
            capture(i, then);
        }
    } else if (then.isEmpty()) {
        capture(row, first);
    } else if (first == QLatin1String("Ctrl+G")) {
        capture(row, first);
        capture(0, then);
    } else {
        capture(row, first);
        capture(row, then);
    }
    QCOMPARE(formState(*m_dialog).section(QLatin1Char('|'), 2), keys);
    QCOMPARE(m_prompts->requests.size(), warnings);
    for (const MessagePrompt::Request &request : std::as_const(m_prompts->requests)) {
        QCOMPARE(request.title, QStringLiteral("Warning"));
        QCOMPARE(request.text, QStringLiteral("Selected key is not available!"));
        QCOMPARE(request.icon, QMessageBox::Warning);
        QVERIFY(!request.parent);
    }

    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(storedState(reopenSettings()).section(QLatin1Char('|'), 2), keys);
}

void TestSettingsDialog::resetClashingWithALaterRowIsSetBack()
{
    // A stored key that a later row's reset value is still held by.
    m_settings->setPlaceCallHotkey(QStringLiteral("Ctrl+P"));
    m_settings->setShowHideGroupsHotkey(QStringLiteral("Enter"));
    QVERIFY(openDialog());
    QTest::mouseClick(child<QPushButton>("resetButton"), Qt::LeftButton);
    QCOMPARE(formState(*m_dialog).section(QLatin1Char('|'), 2),
             QStringLiteral("Ctrl+P Esc Ctrl+Right Ctrl+Left Alt+Right Alt+Left Ctrl+H"));
    QCOMPARE(m_prompts->texts(), QStringList {QStringLiteral("Selected key is not available!")});
    // A second press finds the key free.
    QTest::mouseClick(child<QPushButton>("resetButton"), Qt::LeftButton);
    QCOMPARE(formState(*m_dialog).section(QLatin1Char('|'), 2), kDefaultKeys);
    QCOMPARE(m_prompts->requests.size(), 1);
}

void TestSettingsDialog::keyWithoutModifierIsRefusedWithTheReason_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("key");
    QTest::newRow("a letter") << "H"
                              << "H";
    QTest::newRow("a function key") << "F5"
                                    << "F5";
    // Not a key yet: nothing to explain.
    QTest::newRow("a modifier") << "Ctrl"
                                << "";
}

void TestSettingsDialog::keyWithoutModifierIsRefusedWithTheReason()
{
    QFETCH(QString, keys);
    QFETCH(QString, key);
    QVERIFY(openDialog());
    capture(1, keys);
    QCOMPARE(formState(*m_dialog).section(QLatin1Char('|'), 2), kDefaultKeys);
    if (key.isEmpty()) {
        QVERIFY(m_prompts->requests.isEmpty());
        return;
    }
    QCOMPARE(m_prompts->titles(), QStringList {QStringLiteral("Warning")});
    QCOMPARE(
        m_prompts->texts().first(),
        key
            + QStringLiteral(" alone cannot be a hot key: hold Shift, Ctrl or Alt with it. Only Esc, Return "
                             "and Enter work on their own."));
}

void TestSettingsDialog::manyDevicesWithForeignNames()
{
    offerDevices(20);
    QVERIFY(openDialog());
    auto *mics = child<QComboBox>("microphoneComboBox");
    auto *speakers = child<QComboBox>("speakersComboBox");
    const QList<Device> inputs = m_talk->mediaEngine()->inputDevices();
    QCOMPARE(inputs.size(), 20);
    QStringList names;
    for (const Device &device : inputs)
        names << device.displayName();
    QCOMPARE(itemsOf(mics), names);
    QCOMPARE(mics->itemText(5), QStringLiteral("<img src=/dev/zero> 5"));
    QCOMPARE(mics->itemText(3), QStringLiteral("麦克风 3"));
    QCOMPARE(speakers->count(), 20);
    QCOMPARE(mics->currentIndex(), 0);

    QTest::mouseClick(child<QPushButton>("audioSettingsButton"), Qt::LeftButton);
    chooseWithKeys(mics, 17);
    chooseWithKeys(speakers, 13);
    // In use at once, before any Save.
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("in-17"));
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_OUTPUT), QStringLiteral("out-13"));
    QVERIFY(m_settings->audioInputDevice().isNull());

    // Nothing of the names is read as markup anywhere in the dialog.
    for (const QLabel *label : m_dialog->findChildren<QLabel *>())
        QVERIFY2(!label->text().contains(QLatin1String("<img")) || label->textFormat() == Qt::PlainText,
                 qPrintable(label->objectName()));
    QVERIFY(mics->grab().save(UiLook::screenshotPath(QStringLiteral("settings-devices.png"))));

    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    Settings &fresh = reopenSettings();
    QCOMPARE(fresh.audioInputDevice().id(), QStringLiteral("in-17"));
    QCOMPARE(fresh.audioInputDevice().name(), QStringLiteral("<img src=/dev/zero> 17"));
    QCOMPARE(fresh.audioOutputDevice().id(), QStringLiteral("out-13"));
    QCOMPARE(fresh.audioOutputDevice().name(), QStringLiteral("Микрофон 13"));
}

void TestSettingsDialog::savedDeviceFallbacks_data()
{
    QTest::addColumn<QString>("savedMic");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<int>("shownMic");
    QTest::addColumn<QString>("engineMic");
    QTest::addColumn<QString>("trace");

    QTest::newRow("saved and present") << "mic-usb-2" << false << 2 << "mic-usb-2" << QString();
    QTest::newRow("saved, gone") << "mic-old" << false << 0 << "mic-builtin"
                                 << "Input device not found:";
    QTest::newRow("saved, refused by the engine") << "mic-usb-1" << true << 0 << "mic-builtin" << QString();
    QTest::newRow("nothing saved") << QString() << false << 0 << "mic-builtin" << QString();
}

void TestSettingsDialog::savedDeviceFallbacks()
{
    QFETCH(QString, savedMic);
    QFETCH(bool, refuse);
    QFETCH(int, shownMic);
    QFETCH(QString, engineMic);
    QFETCH(QString, trace);
    if (!savedMic.isEmpty())
        m_settings->setAudioInputDevice(Device(savedMic, QStringLiteral("Some Microphone")));
    control()->refuse_device_changes(refuse);

    MessageCatcher catcher;
    QVERIFY(openDialog());
    QCOMPARE(child<QComboBox>("microphoneComboBox")->currentIndex(), shownMic);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), engineMic);
    if (!trace.isEmpty())
        QVERIFY(catcher.contains(trace));
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(reopenSettings().audioInputDevice().id(), engineMic);
}

void TestSettingsDialog::deviceGoneWhileOpen()
{
    m_settings->setAudioOutputDevice(Device(QStringLiteral("spk-usb-2"), QStringLiteral("USB Headset")));
    QVERIFY(openDialog());
    QTest::mouseClick(child<QPushButton>("audioSettingsButton"), Qt::LeftButton);
    auto *speakers = child<QComboBox>("speakersComboBox");
    QCOMPARE(speakers->currentIndex(), 2);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_OUTPUT), QStringLiteral("spk-usb-2"));

    // The headset is unplugged while the page shows.
    const char *ids[] = {"spk-builtin", "spk-usb-1"};
    const char *names[] = {"Built-in Speakers", "USB Headset"};
    QSignalSpy changed(m_talk->mediaEngine(), &talk::MediaEngine::deviceChanged);
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_OUTPUT, ids, names, 2));
    QVERIFY(changed.wait(2000));
    QCOMPARE(itemsOf(speakers), (QStringList {"Built-in Speakers", "USB Headset"}));
    const QString engineSpeaker = currentDevice(plix::MEDIA_DEVICE_OUTPUT);
    QCOMPARE(speakers->currentIndex(), engineSpeaker == QLatin1String("spk-builtin") ? 0 : 1);
    QCOMPARE(child<QComboBox>("microphoneComboBox")->currentIndex(), 0);

    // Save stores a device that is there, never an empty one.
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    const Device saved = reopenSettings().audioOutputDevice();
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.id(), engineSpeaker);
}

void TestSettingsDialog::engineNotInitialised()
{
    // A session without its library has no engine.
    talk::PlixTalk::setLibraryFileName(QStringLiteral("/nonexistent/libplixtalk.so"));
    talk::PlixTalk idle;
    TalkTesting::useStandIn();
    const Device savedMic(QStringLiteral("mic-usb-1"), QStringLiteral("USB Headset"));
    m_settings->setAudioInputDevice(savedMic);
    MessageCatcher catcher;
    QVERIFY(openDialog(&idle));
    QVERIFY(catcher.contains(QStringLiteral("MediaEngine not initialized")));
    QCOMPARE(child<QComboBox>("microphoneComboBox")->count(), 0);
    QCOMPARE(child<QComboBox>("speakersComboBox")->count(), 0);
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(reopenSettings().audioInputDevice(), savedMic);
}

void TestSettingsDialog::customProxyThroughItsDialog_data()
{
    QTest::addColumn<bool>("storedCustom");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("custom");

    const QString invalid = QStringLiteral(
        "The proxy settings you entered are not valid.\nChoose HTTPS or SOCKS in \"Proxy Type\".");
    QTest::newRow("entered") << false << "proxy.lan"
                             << "3128" << 1 << QStringList {"okButton"} << QStringList() << true;
    QTest::newRow("cancelled") << false << "proxy.lan"
                               << "3128" << 1 << QStringList {"cancelButton"} << QStringList() << false;
    QTest::newRow("no type, then cancelled")
        << false << "proxy.lan"
        << "3128" << -1 << QStringList {"okButton", "cancelButton"} << QStringList {invalid} << false;
    // Nothing unusable is kept: the dialog stays open until cancelled.
    QTest::newRow("a port without a host, then cancelled")
        << false << ""
        << "8080" << 0 << QStringList {"okButton", "cancelButton"}
        << QStringList {QStringLiteral(
               "The proxy settings you entered are not valid.\nEnter the proxy's address in \"Hostname\".")}
        << false;
    QTest::newRow("unticked") << true << QString() << QString() << 0 << QStringList() << QStringList()
                              << false;
}

void TestSettingsDialog::customProxyThroughItsDialog()
{
    QFETCH(bool, storedCustom);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(int, type);
    QFETCH(QStringList, presses);
    QFETCH(QStringList, messages);
    QFETCH(bool, custom);

    const talk::ProxySettings before(talk::ProxySettings::Http, QStringLiteral("old.lan"), 8080, false, {},
                                     {});
    m_settings->setProxySettings(before);
    m_settings->setCustomProxy(storedCustom);
    QVERIFY(openDialog());
    auto *box = child<QCheckBox>("customInternetProxyCheckBox");
    QCOMPARE(box->isChecked(), storedCustom);

    QString message;
    QString prefilledHost;
    bool asked = false;
    if (!presses.isEmpty()) {
        whenModal<ProxySettingsDialog>([&](ProxySettingsDialog *dialog) {
            asked = true;
            message = dialog->findChild<QLabel *>(QStringLiteral("messageLabel"))->text();
            prefilledHost = dialog->findChild<QLineEdit *>(QStringLiteral("hostnameLineEdit"))->text();
            enterProxyAddress(dialog, host, port, type);
            for (const QString &press : presses)
                QTest::mouseClick(dialog->findChild<QPushButton *>(press), Qt::LeftButton);
        });
    }
    clickCheckBox(box);
    QCOMPARE(asked, !presses.isEmpty());
    if (asked) {
        QCOMPARE(message, QStringLiteral("Please provide your proxy settings below."));
        QCOMPARE(prefilledHost, QStringLiteral("old.lan"));
    }
    QCOMPARE(m_prompts->texts(), messages);
    QCOMPARE(box->isChecked(), custom);
    // Stored at once, whatever becomes of the preferences.
    QCOMPARE(m_settings->customProxy(!custom), custom);
    const talk::ProxySettings stored = m_settings->proxySettings();
    if (custom) {
        QCOMPARE(stored, talk::ProxySettings(talk::ProxySettings::Socks5, host, port.toInt(), false, {}, {}));
    } else {
        QCOMPARE(stored, before);
    }
    QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    QCOMPARE(reopenSettings().customProxy(!custom), custom);
}

void TestSettingsDialog::closeToTrayWithoutATray()
{
    m_settings->setMinimizeToTrayOnClose(true);
    QVERIFY(openDialog());
    auto *box = child<QCheckBox>("minimizeToTrayOnCloseCheckBox");
    auto *notice = child<QLabel>("trayNoticeLabel");
    QVERIFY(box->isEnabled());
    QVERIFY(notice->isHidden());

    m_dialog->setSystemTrayAvailable(false);
    QVERIFY(!box->isEnabled());
    QVERIFY(box->isChecked());
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("No system tray here: closing the window quits the program."));
    QCOMPARE(box->toolTip(), notice->text());
    QVERIFY(m_dialog->grab().save(UiLook::screenshotPath(QStringLiteral("settings-general-notray.png"))));
    // A click on it changes nothing, and Save keeps the stored choice.
    clickCheckBox(box);
    QVERIFY(box->isChecked());
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QVERIFY(reopenSettings().minimizeToTrayOnClose(false));
}

void TestSettingsDialog::noAutostartWhereItCannotWork()
{
    // None left by the cases before.
    m_settings->setAutostart(false);
    QVERIFY(!autostartEntryExists());
    m_settings->setAutostart(true);
    m_settings->setAutostartAvailable(false);
    QFile::remove(XdgAutostartEntry::filePath(QCoreApplication::applicationName()));
    QVERIFY(openDialog());
    auto *box = child<QCheckBox>("autoStartCheckBox");
    auto *notice = child<QLabel>("autostartNoticeLabel");
    QCOMPARE(box->text(), QStringLiteral("Automatically start when you log in"));
    QVERIFY(!box->isEnabled());
    QVERIFY(!box->isChecked());
    QVERIFY(notice->isVisible());
    QCOMPARE(box->toolTip(), notice->text());
    QVERIFY(child<QLabel>("trayNoticeLabel")->isHidden());
    QVERIFY(
        m_dialog->grab().save(UiLook::screenshotPath(QStringLiteral("settings-general-noautostart.png"))));

    // Neither a click nor Reset ticks it, and Save writes no entry.
    clickCheckBox(box);
    QTest::mouseClick(child<QPushButton>("resetButton"), Qt::LeftButton);
    QVERIFY(!box->isChecked());
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(!autostartEntryExists());
    QVERIFY(reopenSettings().autostart(false));
}

void TestSettingsDialog::screenshots()
{
    QVERIFY(openDialog());
    const QList<QPair<const char *, QString>> pages = {{"generalSettingsButton", "settings-general.png"},
                                                       {"audioSettingsButton", "settings-audio.png"},
                                                       {"hotKeysButton", "settings-hotkeys.png"}};
    for (const auto &page : pages) {
        QTest::mouseClick(child<QPushButton>(page.first), Qt::LeftButton);
        const QImage image = m_dialog->grab().toImage();
        QVERIFY(image.save(UiLook::screenshotPath(page.second)));
        // The tab of the page shown is lit green.
        auto *tab = child<QPushButton>(page.first);
        const QPoint inside = tab->mapTo(m_dialog.get(), QPoint(4, tab->height() / 2));
        QCOMPARE(image.pixelColor(inside * image.devicePixelRatio()), QColor(0x7e, 0xba, 0x02));
    }
    // A key being captured, Control held.
    auto *button = child<ShortcutButton>("showHideGroupsHotKeyShortcutButton");
    QTest::mouseClick(button->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    Fingers fingers;
    QVERIFY(fingers.play({"+Ctrl"}));
    QCOMPARE(button->findChild<QLineEdit *>(QStringLiteral("lineEdit"))->text(),
             QStringLiteral("Control  ..."));
    QVERIFY(m_dialog->grab().save(UiLook::screenshotPath(QStringLiteral("settings-hotkeys-capture.png"))));
    QVERIFY(fingers.play({"-Ctrl"}));
}

LINKORA_TEST_MAIN(TestSettingsDialog)

#include "tst_settingsdialog.moc"
