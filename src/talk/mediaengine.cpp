#include "mediaengine.h"

namespace talk {

MediaEngine::MediaEngine(QObject *parent)
    : QObject(parent)
{ }

MediaEngine::~MediaEngine() = default;

} // namespace talk
