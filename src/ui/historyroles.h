#ifndef LINKORA_UI_HISTORYROLES_H
#define LINKORA_UI_HISTORYROLES_H

#include <Qt>

// The item roles of the call-history and voicemail models; the voicemail
// model reads the name role as the message's length and the shown role as
// its playback state.
namespace HistoryRoles {

enum Role {
    NumberRole = Qt::UserRole + 1,
    NameRole = Qt::UserRole + 2,
    DurationShownRole = Qt::UserRole + 3,
    DurationRole = Qt::UserRole + 4,
    TypeRole = Qt::UserRole + 5,
    TimestampRole = Qt::UserRole + 1000,
    VoicemailDurationRole = NameRole,
    VoicemailStateRole = DurationShownRole,
};

} // namespace HistoryRoles

#endif // LINKORA_UI_HISTORYROLES_H
