#ifndef LINKORA_UI_SETTINGSDIALOG_H
#define LINKORA_UI_SETTINGSDIALOG_H

#include "ui/dialogbase.h"

class Settings;

namespace talk {
class PlixTalk;
}

// The preferences: general options, audio devices and hot keys.
class SettingsDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(SettingsDialog)

public:
    SettingsDialog(talk::PlixTalk *talk, Settings *settings, QWidget *parent = nullptr);

private:
    talk::PlixTalk *m_talk = nullptr;
    Settings *m_settings = nullptr;
};

#endif // LINKORA_UI_SETTINGSDIALOG_H
