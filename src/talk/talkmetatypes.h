#ifndef TALK_TALKMETATYPES_H
#define TALK_TALKMETATYPES_H

#include "plixtalk_api.h"

#include <QMetaType>

// The talk library's enumerations travel in the wrappers' Qt signals.
Q_DECLARE_METATYPE(plix::PLIX_TALK_ERROR_CODE)
Q_DECLARE_METATYPE(plix::PLIX_DISCONNECT_REASON)
Q_DECLARE_METATYPE(plix::MEDIA_DEVICE_TYPE)
Q_DECLARE_METATYPE(plix::HANGUP_REASON)

namespace talk {

// Registers the types of the talk wrappers' signals and slots by name, for
// queued connections and QMetaObject::invokeMethod. Safe to call more than once.
void registerMetaTypes();

} // namespace talk

#endif // TALK_TALKMETATYPES_H
