#include "ui/welcomedialog.h"
#include "ui_welcomedialog.h"

#include "objfactory.h"
#include "settings/settings.h"
#include "talk/mediaengine.h"
#include "ui/audiodevicechooser.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QShowEvent>
#include <QTemporaryFile>
#include <QTimer>

#include <iterator>

namespace {

const QString kTestSoundResource = QStringLiteral(":/sounds/ring1.wav");
constexpr int kLevelInterval = 100;
constexpr int kDefaultSpeakerVolume = 25;
constexpr int kHighestLevel = 9;

const char *const kSpeakerSuggestions[] = {
    QT_TRANSLATE_NOOP("WelcomeDialog",
                      "<p>Speakers/headphones:</p>"
                      "<ul><li>Check they are switched on</li>"
                      "<li>Check the volume is turned up</li>"
                      "<li>Check if they are plugged in</li></ul>"
                      "<p style=\"font-size:4pt;\">&nbsp;</p>"
                      "<p>Press the Test button again.</p>"
                      "<p align=\"center\" style=\"font-size:10pt; font-weight:600;\">Did that work?</p>"),
    QT_TRANSLATE_NOOP("WelcomeDialog",
                      "<p align=\"center\">&nbsp;</p><p align=\"center\">&nbsp;</p>"
                      "<p align=\"center\">Sorry we can't seem to fix your sound problem.</p>"),
};

const char *const kMicSuggestions[] = {
    QT_TRANSLATE_NOOP("WelcomeDialog",
                      "<p align=\"center\" style=\"font-size:11pt; font-style:italic;\">Let's fix it</p>"
                      "<p>&nbsp;</p>"
                      "<p>Something's not right.<br/>Do you have more than one microphone?<br/>"
                      "Choose the one you are using from the dropdown list above and speak really loudly.</p>"
                      "<p>&nbsp;</p>"
                      "<p align=\"center\" style=\"font-size:10pt; font-weight:600;\">Did that work?</p>"),
    QT_TRANSLATE_NOOP("WelcomeDialog",
                      "<p>Microphone:</p>"
                      "<ul><li>Check it is switched on</li>"
                      "<li>Check it is not muted</li>"
                      "<li>Check if it's plugged in</li></ul>"
                      "<p align=\"center\" style=\"font-size:10pt; font-weight:600;\">Did that work?</p>"),
    QT_TRANSLATE_NOOP("WelcomeDialog",
                      "<p align=\"center\">&nbsp;</p><p align=\"center\">&nbsp;</p>"
                      "<p align=\"center\">Sorry we can't seem to fix your microphone problem.</p>"),
};

const QString kQuestion = QStringLiteral(
    "<br/><br/><br/><p align=\"center\" style=\"font-size:8pt; font-weight:600;\">Did that work?</p>");

} // namespace

WelcomeDialog::WelcomeDialog(talk::MediaEngine *mediaEngine, QWidget *parent)
    : DialogBase(parent)
    , ui(new Ui::WelcomeDialog)
    , mediaEngine(mediaEngine)
    , settings(ObjFactory::instance()->settings())
{
    setupUi();
    deviceChooser
        = new AudioDeviceChooser(mediaEngine, ui->microphoneDeviceCombo, ui->speakerDeviceCombo, this);
    deviceChooser->setReadsCurrentDevicesOnce(true);
    // Only a speaker handed over on listing gets the volume, not one picked.
    connect(deviceChooser, &AudioDeviceChooser::speakerHandedOver, this, &WelcomeDialog::applySpeakerVolume);
    connect(deviceChooser, &AudioDeviceChooser::microphonePicked, this, &WelcomeDialog::onMicrophonePicked);
    connect(deviceChooser, &AudioDeviceChooser::speakerPicked, this, &WelcomeDialog::onSpeakerPicked);
    connect(deviceChooser, &AudioDeviceChooser::devicesRefreshed, this, &WelcomeDialog::onDevicesRefreshed);

    ui->showOnStartupCheckBox->setChecked(settings->showWelcome(true));

    // The microphone question can be answered at once, the speaker's only after "Test".
    ui->speakerStackedWidget->setCurrentWidget(ui->speakerStartPage);
    ui->micStackedWidget->setCurrentWidget(ui->micStartPage);
    ui->micYesNo->show();
    ui->speakersYesNo->hide();

    connect(ui->saveButton, &QPushButton::clicked, this, &WelcomeDialog::accept);
    connect(ui->testButton, &QPushButton::clicked, this, &WelcomeDialog::onTestButtonClicked);
    connect(ui->speakerNoButton, &QPushButton::clicked, this, &WelcomeDialog::onNoClicked);
    connect(ui->micNoButton, &QPushButton::clicked, this, &WelcomeDialog::onNoClicked);
    connect(ui->speakerYesButton, &QPushButton::clicked, this, &WelcomeDialog::onYesClicked);
    connect(ui->micYesButton, &QPushButton::clicked, this, &WelcomeDialog::onYesClicked);

    loadSettings();

    testSoundFile.reset(QTemporaryFile::createNativeFile(kTestSoundResource));
    if (!testSoundFile)
        TRACE_WARNING << "No test sound:" << kTestSoundResource;
}

WelcomeDialog::~WelcomeDialog()
{
    testSoundFile.reset();
    stopReceivingAudioLevels();
}

void WelcomeDialog::setupUi()
{
    ui->setupUi(contentWidget());
    contentWidget()->resize(530, 430);
    contentWidget()->setMinimumSize(530, 430);
    retranslateUi();
}

void WelcomeDialog::retranslateUi()
{
    setTitle(tr("Welcome"));
}

void WelcomeDialog::loadSettings()
{
    deviceChooser->load(*settings);
    deviceChooser->start();
}

void WelcomeDialog::onMicrophonePicked()
{
    ui->micStackedWidget->setCurrentWidget(ui->micStartPage);
    ui->micYesNo->show();
    micSuggestionStep = 0;
}

void WelcomeDialog::onSpeakerPicked()
{
    ui->speakerStackedWidget->setCurrentWidget(ui->speakerStartPage);
    ui->speakersYesNo->hide();
    speakerSuggestionStep = -1;
}

void WelcomeDialog::onDevicesRefreshed()
{
    // Selected as the user would: a changed selection resets its panel.
    if (!deviceChooser->microphoneDevices().isEmpty())
        deviceChooser->showEngineDevices();
}

void WelcomeDialog::applySpeakerVolume()
{
    if (mediaEngine)
        mediaEngine->setSpeakerVolume(int(settings->audioOutputVolume(kDefaultSpeakerVolume)));
}

void WelcomeDialog::playTestSound()
{
    if (!mediaEngine)
        return;
    applySpeakerVolume();
    if (!testSoundFile) {
        TRACE_WARNING << "No test sound to play";
        return;
    }
    const QString fileName = testSoundFile->fileName();
    if (!mediaEngine->playFile(fileName))
        TRACE << "Mediaengine was unable to play " << fileName;
}

void WelcomeDialog::onTestButtonClicked()
{
    playTestSound();
    if (speakerSuggestionStep == 2 || ui->speakerStackedWidget->currentWidget() == ui->speakerSuccessPage)
        speakerSuggestionStep = -1;
    if (speakerSuggestionStep == -1) {
        ui->speakerStackedWidget->setCurrentWidget(ui->speakerSuggestionPage);
        ui->speakerSuggestionText->setHtml(kQuestion);
        speakerSuggestionStep = 0;
    }
    ui->speakersYesNo->show();
}

bool WelcomeDialog::nextSpeakerSuggestion()
{
    if (speakerSuggestionStep < 0 || speakerSuggestionStep >= int(std::size(kSpeakerSuggestions)))
        return false;
    ui->speakerSuggestionText->setHtml(tr(kSpeakerSuggestions[speakerSuggestionStep]));
    ++speakerSuggestionStep;
    return speakerSuggestionStep != 2;
}

bool WelcomeDialog::nextMicSuggestion()
{
    if (micSuggestionStep < 0 || micSuggestionStep >= int(std::size(kMicSuggestions)))
        return false;
    ui->micSuggestionText->setHtml(tr(kMicSuggestions[micSuggestionStep]));
    ++micSuggestionStep;
    return micSuggestionStep != 3;
}

void WelcomeDialog::onNoClicked()
{
    if (sender() == ui->speakerNoButton) {
        ui->speakersYesNo->setVisible(nextSpeakerSuggestion());
    } else if (sender() == ui->micNoButton) {
        ui->micStackedWidget->setCurrentWidget(ui->micSuggestionPage);
        if (nextMicSuggestion()) {
            ui->micYesNo->show();
        } else {
            micSuggestionStep = 0;
            ui->micYesNo->hide();
        }
    }
}

void WelcomeDialog::onYesClicked()
{
    if (sender() == ui->speakerYesButton) {
        ui->speakersYesNo->hide();
        ui->speakerStackedWidget->setCurrentWidget(ui->speakerSuccessPage);
    } else if (sender() == ui->micYesButton) {
        ui->micYesNo->hide();
        ui->micStackedWidget->setCurrentWidget(ui->micSuccessPage);
    }
}

void WelcomeDialog::showEvent(QShowEvent *event)
{
    DialogBase::showEvent(event);
    if (event->type() != QEvent::Show)
        return;
    updateGeometry();
    setMinimumSize(sizeHint());
    resize(sizeHint());
    startReceivingAudioLevels();
}

void WelcomeDialog::startReceivingAudioLevels()
{
    if (!levelTimer) {
        levelTimer = new QTimer(this);
        connect(levelTimer, &QTimer::timeout, this, &WelcomeDialog::onTimeout);
    }
    if (mediaEngine && mediaEngine->setLocalMonitor(true))
        levelTimer->start(kLevelInterval);
    else
        TRACE << "MediaEngine: unable to activate audio level monitor.";
}

void WelcomeDialog::stopReceivingAudioLevels()
{
    if (!mediaEngine || !mediaEngine->setLocalMonitor(false))
        TRACE << "MediaEngine: unable to deactivate audio level monitor.";
    if (levelTimer)
        levelTimer->stop();
}

void WelcomeDialog::onTimeout()
{
    if (!mediaEngine)
        return;
    // The engine gives -1 when it has no level: the bar keeps its value.
    const int micLevel = mediaEngine->inputLevel();
    if (micLevel >= 0 && micLevel <= kHighestLevel)
        ui->micProgressBar->setValue(micLevel);
    const int playerLevel = mediaEngine->outputLevel();
    if (playerLevel >= 0 && playerLevel <= kHighestLevel)
        ui->speakerProgressBar->setValue(playerLevel);
}

void WelcomeDialog::accept()
{
    TRACE << "QEvent::Close";
    stopReceivingAudioLevels();
    settings->setShowWelcome(ui->showOnStartupCheckBox->isChecked());
    deviceChooser->save(*settings);
    DialogBase::accept();
}
