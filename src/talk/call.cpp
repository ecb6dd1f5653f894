#include "call.h"

namespace talk {

Call::Call(QObject *parent)
    : QObject(parent)
{ }

Call::~Call() = default;

} // namespace talk
