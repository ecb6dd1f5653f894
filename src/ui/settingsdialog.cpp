#include "ui/settingsdialog.h"

SettingsDialog::SettingsDialog(talk::PlixTalk *talk, Settings *settings, QWidget *parent)
    : DialogBase(parent)
    , m_talk(talk)
    , m_settings(settings)
{
    setTitle(tr("Preferences"));
}
