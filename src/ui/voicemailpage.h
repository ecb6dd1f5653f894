#ifndef LINKORA_UI_VOICEMAILPAGE_H
#define LINKORA_UI_VOICEMAILPAGE_H

#include <QWidget>

class Phone;

// The voicemail view with its playback volume panel.
class VoicemailPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VoicemailPage)

public:
    explicit VoicemailPage(QWidget *parent = nullptr);

    void setPhone(Phone *phone);
    void showVolumePanel();
    void hideVolumePanel();

public slots:
    // 0 all time, 1 one day, 2 seven days.
    void setVoicemailHistoryFilter(int filter);
    void onLoginSuccedeed();

private:
    QWidget *m_volumePanel = nullptr;
    Phone *m_phone = nullptr;
    int m_filter = 0;
};

#endif // LINKORA_UI_VOICEMAILPAGE_H
