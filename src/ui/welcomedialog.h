#ifndef LINKORA_UI_WELCOMEDIALOG_H
#define LINKORA_UI_WELCOMEDIALOG_H

#include "ui/dialogbase.h"

#include <QPointer>
#include <QScopedPointer>

class AudioDeviceChooser;
class QTemporaryFile;
class QTimer;
class Settings;

namespace talk {
class MediaEngine;
}

namespace Ui {
class WelcomeDialog;
}

// The audio set-up after sign-in: the customer picks speaker and microphone,
// plays a test sound, watches the two level bars and says whether each
// worked; a "No" walks through short troubleshooting hints. Devices picked
// take effect in the media engine at once; "Save and Close" stores them and
// whether the dialog opens after sign-in.
class WelcomeDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(WelcomeDialog)

public:
    // The engine is not owned and must outlive the dialog.
    explicit WelcomeDialog(talk::MediaEngine *mediaEngine, QWidget *parent = nullptr);
    ~WelcomeDialog() override;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void onTestButtonClicked();
    void onMicrophonePicked();
    void onSpeakerPicked();
    void applySpeakerVolume();
    void playTestSound();
    void onDevicesRefreshed();
    void onTimeout();
    void onYesClicked();
    void onNoClicked();

private:
    void setupUi();
    void retranslateUi();
    void loadSettings();
    void startReceivingAudioLevels();
    void stopReceivingAudioLevels();
    bool nextSpeakerSuggestion();
    bool nextMicSuggestion();

    const QScopedPointer<Ui::WelcomeDialog> ui;
    QPointer<talk::MediaEngine> mediaEngine;
    Settings *settings;
    AudioDeviceChooser *deviceChooser = nullptr;
    QTimer *levelTimer = nullptr;
    int speakerSuggestionStep = -1;
    int micSuggestionStep = 0;
    QScopedPointer<QTemporaryFile> testSoundFile;
};

#endif // LINKORA_UI_WELCOMEDIALOG_H
