#include "ui/settingsdialog.h"
#include "ui_settingsdialog.h"

#include "settings/settings.h"
#include "talk/plixtalk.h"
#include "talk/proxysettings.h"
#include "ui/audiodevicechooser.h"
#include "ui/messageprompt.h"
#include "ui/proxysettingsdialog.h"
#include "ui/shortcutbutton.h"

#include <QButtonGroup>
#include <QCheckBox>

#include <algorithm>
#include <functional>

namespace {

using Form = Ui::SettingsDialogContent;

// One check box of the general and audio pages and its setting. Options
// without a save step are stored elsewhere (the custom proxy, by its own
// dialog).
struct BoolOption
{
    QCheckBox *Form::*box;
    std::function<bool(Settings &, bool)> load;
    std::function<void(Settings &, bool)> save;
    bool loadDefault;
    bool resetValue;
};

const QList<BoolOption> &boolOptions()
{
    static const QList<BoolOption> options = {
        {&Form::autoStartCheckBox, &Settings::autostart, &Settings::setAutostart, true, true},
        {&Form::minimizeToTrayOnCloseCheckBox, &Settings::minimizeToTrayOnClose,
         &Settings::setMinimizeToTrayOnClose, true, true},
        {&Form::autoUpdateCheckBox, &Settings::autoUpdate, &Settings::setAutoUpdate, false, true},
        {&Form::skipPinConfirmationCheckBox, &Settings::skipPinSelection, &Settings::setSkipPinSelection,
         false, false},
        {&Form::douleClickToCallCheckBox, &Settings::callStartDblClick, &Settings::setCallStartDblClick, true,
         true},
        {&Form::autoAnswerCheckBox, &Settings::autoAnswerCalls, &Settings::setAutoAnswerCalls, false, false},
        {&Form::customInternetProxyCheckBox, &Settings::customProxy, nullptr, false, false},
        {&Form::muteAllCheckBox, &Settings::muteAll, &Settings::setMuteAll, false, false},
        {&Form::noiseSuppresionCheckBox, &Settings::noiseSuppression, &Settings::setNoiseSuppression, true,
         true},
        {&Form::automaticGainControlCheckBox, &Settings::automaticGainControl,
         &Settings::setAutomaticGainControl, true, true},
        {&Form::echoCancelationCheckBox, &Settings::echoCancellation, &Settings::setEchoCancellation, true,
         true},
    };
    return options;
}

// One row of the hot-key page. The key texts are in QKeySequence's portable
// form; the place-call and cancel-call buttons take their defaults from the
// translation, in the native form.
struct HotKeyRow
{
    QCheckBox *Form::*box;
    ShortcutButton *Form::*button;
    std::function<bool(Settings &, bool)> loadEnabled;
    std::function<void(Settings &, bool)> saveEnabled;
    std::function<QString(Settings &, const QString &)> loadKeys;
    std::function<void(Settings &, const QString &)> saveKeys;
    const char *loadDefault;
    const char *buttonDefault;
    bool translatedButtonDefault;
    const char *resetKeys;
};

const QList<HotKeyRow> &hotKeyRows()
{
    static const QList<HotKeyRow> rows = {
        {&Form::callHotKeyCheckBox, &Form::callHotKeyShortcutButton, &Settings::placeCallHotkeyEnabled,
         &Settings::setPlaceCallHotkeyEnabled, &Settings::placeCallHotkey, &Settings::setPlaceCallHotkey,
         "Enter", QT_TRANSLATE_NOOP("SettingsDialog", "Return"), true, "Enter"},
        {&Form::cancelHotKeyCheckBox, &Form::cancelHotKeyShortcutButton, &Settings::cancelCallHotkeyEnabled,
         &Settings::setCancelCallHotkeyEnabled, &Settings::cancelCallHotkey, &Settings::setCancelCallHotkey,
         "Esc", QT_TRANSLATE_NOOP("SettingsDialog", "Escape"), true, "Escape"},
        {&Form::increaseSpeakerVolHotKeyCheckBox, &Form::increaseSpeakerVolHotKeyShortcutButton,
         &Settings::increaseSpeakerVolHotkeyEnabled, &Settings::setIncreaseSpeakerVolHotkeyEnabled,
         &Settings::increaseSpeakerVolHotkey, &Settings::setIncreaseSpeakerVolHotkey, "Ctrl+Right",
         "Ctrl+Right", false, "Ctrl+Right"},
        {&Form::decreaseSpeakerVolHotKeyCheckBox, &Form::decreaseSpeakerVolHotKeyShortcutButton,
         &Settings::decreaseSpeakerVolHotkeyEnabled, &Settings::setDecreaseSpeakerVolHotkeyEnabled,
         &Settings::decreaseSpeakerVolHotkey, &Settings::setDecreaseSpeakerVolHotkey, "Ctrl+Left",
         "Ctrl+Left", false, "Ctrl+Left"},
        {&Form::increaseMicHotKeyCheckBox, &Form::increaseMicVolHotKeyShortcutButton,
         &Settings::increaseMicVolHotkeyEnabled, &Settings::setIncreaseMicVolHotkeyEnabled,
         &Settings::increaseMicVolHotkey, &Settings::setIncreaseMicVolHotkey, "Alt+Right", "Alt+Right", false,
         "Alt+Right"},
        {&Form::decreaseMicVolHotKeyCheckBox, &Form::decreaseMicVolHotKeyShortcutButton,
         &Settings::decreaseMicVolHotkeyEnabled, &Settings::setDecreaseMicVolHotkeyEnabled,
         &Settings::decreaseMicVolHotkey, &Settings::setDecreaseMicVolHotkey, "Alt+Left", "Alt+Left", false,
         "Alt+Left"},
        {&Form::showHideGroupsHotKeyCheckBox, &Form::showHideGroupsHotKeyShortcutButton,
         &Settings::showHideGroupsHotkeyEnabled, &Settings::setShowHideGroupsHotkeyEnabled,
         &Settings::showHideGroupsHotkey, &Settings::setShowHideGroupsHotkey, "Ctrl+H", "Ctrl+H", false,
         "Ctrl+H"},
    };
    return rows;
}

QKeySequence portableKeys(const QString &text)
{
    return QKeySequence::fromString(text, QKeySequence::PortableText);
}

enum Page { GeneralPage = 0, AudioPage = 1, HotKeysPage = 2 };

} // namespace

SettingsDialog::SettingsDialog(talk::PlixTalk *talk, Settings *settings, QWidget *parent)
    : DialogBase(parent)
    , m_ui(new Ui::SettingsDialogContent)
    , m_tabButtons(new QButtonGroup(this))
    , m_settings(settings)
{
    m_ui->setupUi(contentWidget());
    m_devices = new AudioDeviceChooser(talk ? talk->mediaEngine() : nullptr, m_ui->microphoneComboBox,
                                       m_ui->speakersComboBox, this);
    connect(m_devices, &AudioDeviceChooser::devicesRefreshed, this, &SettingsDialog::onDevicesRefreshed);
    setTitle(tr("Preferences"));
    m_ui->trayNoticeLabel->hide();
    m_ui->autostartNoticeLabel->hide();

    connect(m_ui->saveButton, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(m_ui->resetButton, &QPushButton::clicked, this, &SettingsDialog::onResetToDefaultsClicked);
    m_tabButtons->addButton(m_ui->generalSettingsButton, GeneralPage);
    m_tabButtons->addButton(m_ui->audioSettingsButton, AudioPage);
    m_tabButtons->addButton(m_ui->hotKeysButton, HotKeysPage);
    connect(m_tabButtons, &QButtonGroup::idClicked, this, &SettingsDialog::onTabButtonClicked);
    m_ui->generalSettingsButton->setChecked(true);
    m_ui->stackedWidget->setCurrentWidget(m_ui->generalSettingsPage);

    for (const HotKeyRow &row : hotKeyRows()) {
        const QKeySequence keys = row.translatedButtonDefault
            ? QKeySequence(tr(row.buttonDefault), QKeySequence::NativeText)
            : portableKeys(QLatin1String(row.buttonDefault));
        (m_ui.data()->*row.button)->setDefaultKeySequence(keys);
    }

    loadSettings();
    if (m_settings && !m_settings->isAutostartAvailable()) {
        QCheckBox *box = m_ui->autoStartCheckBox;
        box->setChecked(false);
        box->setEnabled(false);
        box->setToolTip(m_ui->autostartNoticeLabel->text());
        m_ui->autostartNoticeLabel->show();
    }

    // Connected only now: what the settings hold is not checked for clashes.
    for (const HotKeyRow &row : hotKeyRows()) {
        ShortcutButton *button = m_ui.data()->*row.button;
        m_hotKeyButtons << button;
        m_hotKeysInForce << effectiveKeySequence(button);
        connect(button, &ShortcutButton::hotKeyChanged, this, &SettingsDialog::onHotKeyChanged);
        connect(button, &ShortcutButton::keyRefused, this, &SettingsDialog::onHotKeyRefused);
    }
    connect(m_ui->customInternetProxyCheckBox, &QCheckBox::clicked, this,
            &SettingsDialog::onCustomInternetProxyClicked);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::setSystemTrayAvailable(bool available)
{
    QCheckBox *box = m_ui->minimizeToTrayOnCloseCheckBox;
    box->setEnabled(available);
    box->setToolTip(available ? QString() : m_ui->trayNoticeLabel->text());
    m_ui->trayNoticeLabel->setVisible(!available);
}

QKeySequence SettingsDialog::effectiveKeySequence(const ShortcutButton *button)
{
    return button->effectiveKeySequence();
}

void SettingsDialog::accept()
{
    saveSettings();
    DialogBase::accept();
}

void SettingsDialog::loadSettings()
{
    if (!m_settings)
        return;
    for (const BoolOption &option : boolOptions())
        (m_ui.data()->*option.box)->setChecked(option.load(*m_settings, option.loadDefault));

    m_devices->load(*m_settings);

    for (const HotKeyRow &row : hotKeyRows()) {
        (m_ui.data()->*row.box)->setChecked(row.loadEnabled(*m_settings, true));
        const QString keys = row.loadKeys(*m_settings, QLatin1String(row.loadDefault));
        (m_ui.data()->*row.button)->setKeySequence(portableKeys(keys));
    }

    // Listed once, here: afterwards only a change of the engine's lists
    // lists them again.
    m_devices->start();
}

void SettingsDialog::saveSettings()
{
    if (!m_settings)
        return;
    const QList<BoolOption> &options = boolOptions();
    // The devices go between the general options and the audio ones.
    const auto audioOptions = std::find_if(options.cbegin(), options.cend(), [](const BoolOption &option) {
        return option.box == &Form::muteAllCheckBox;
    });
    // A box switched off here (no tray, no autostart) keeps what is stored.
    auto save = [this](const BoolOption &option) {
        const QCheckBox *box = m_ui.data()->*option.box;
        if (option.save && box->isEnabled())
            option.save(*m_settings, box->isChecked());
    };
    std::for_each(options.cbegin(), audioOptions, save);
    m_devices->save(*m_settings);
    std::for_each(audioOptions, options.cend(), save);

    for (const HotKeyRow &row : hotKeyRows())
        row.saveEnabled(*m_settings, (m_ui.data()->*row.box)->isChecked());
    // The sequence in force, not only a custom one: a button set back to its
    // default after a clash must not leave its hot key without a key.
    for (const HotKeyRow &row : hotKeyRows()) {
        const QKeySequence keys = effectiveKeySequence(m_ui.data()->*row.button);
        row.saveKeys(*m_settings, keys.toString(QKeySequence::PortableText));
    }
}

void SettingsDialog::onDevicesRefreshed()
{
    if (m_ui->stackedWidget->currentWidget() == m_ui->audioSettingsPage)
        m_devices->showEngineDevices();
}

void SettingsDialog::onTabButtonClicked(int page)
{
    switch (page) {
    case GeneralPage:
        m_ui->stackedWidget->setCurrentWidget(m_ui->generalSettingsPage);
        break;
    case AudioPage:
        m_ui->stackedWidget->setCurrentWidget(m_ui->audioSettingsPage);
        break;
    case HotKeysPage:
        m_ui->stackedWidget->setCurrentWidget(m_ui->hotKeysPage);
        break;
    default:
        break;
    }
}

void SettingsDialog::onHotKeyChanged(const QKeySequence &sequence)
{
    Q_UNUSED(sequence)
    auto *button = qobject_cast<ShortcutButton *>(sender());
    const int index = m_hotKeyButtons.indexOf(button);
    if (index < 0)
        return;
    const QKeySequence wanted = effectiveKeySequence(button);
    if (m_settingHotKeyBack) {
        m_hotKeysInForce[index] = wanted;
        return;
    }

    bool taken = false;
    for (int i = 0; i < m_hotKeysInForce.size() && !taken; ++i)
        taken = i != index && m_hotKeysInForce.at(i) == wanted;
    if (!taken) {
        m_hotKeysInForce[index] = wanted;
        return;
    }

    const QKeySequence previous = m_hotKeysInForce.at(index);
    m_settingHotKeyBack = true;
    if (previous == button->defaultKeySequence())
        button->resetToDefault();
    else
        button->setKeySequence(previous);
    m_settingHotKeyBack = false;

    MessagePrompt::show({nullptr, QMessageBox::Warning, tr("Warning"), tr("Selected key is not available!"),
                         QMessageBox::Ok, QMessageBox::NoButton});
}

void SettingsDialog::onHotKeyRefused(const QKeySequence &sequence)
{
    MessagePrompt::show({nullptr, QMessageBox::Warning, tr("Warning"),
                         tr("%1 alone cannot be a hot key: hold Shift, Ctrl or Alt with it. Only Esc, "
                            "Return and Enter work on their own.")
                             .arg(sequence.toString(QKeySequence::NativeText)),
                         QMessageBox::Ok, QMessageBox::NoButton});
}

void SettingsDialog::onResetToDefaultsClicked()
{
    // setChecked, not a click: the stored custom-proxy choice stays. A box
    // switched off here shows what Save keeps.
    for (const BoolOption &option : boolOptions()) {
        QCheckBox *box = m_ui.data()->*option.box;
        if (box->isEnabled())
            box->setChecked(option.resetValue);
    }
    for (const HotKeyRow &row : hotKeyRows())
        (m_ui.data()->*row.box)->setChecked(true);
    // One after the other, each through the clash check.
    for (const HotKeyRow &row : hotKeyRows())
        (m_ui.data()->*row.button)->setKeySequence(portableKeys(QLatin1String(row.resetKeys)));
}

void SettingsDialog::onCustomInternetProxyClicked()
{
    if (!m_settings)
        return;
    QCheckBox *box = m_ui->customInternetProxyCheckBox;
    if (box->isChecked()) {
        ProxySettingsDialog dialog(this);
        dialog.setProxySettings(m_settings->proxySettings());
        dialog.setMessage(tr("Please provide your proxy settings below."));
        const bool accepted = dialog.exec() == QDialog::Accepted;
        const talk::ProxySettings proxy = dialog.proxySettings();
        if (accepted && proxy.isValid()) {
            m_settings->setCustomProxy(true);
            m_settings->setProxySettings(proxy);
        } else {
            box->setChecked(false);
        }
    }
    m_settings->setCustomProxy(box->isChecked());
}
