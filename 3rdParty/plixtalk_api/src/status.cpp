#include "status.h"

#include "state.h"

namespace standin {

Status::Status()
{
    State::instance().objectCreated(State::Status);
}

Status::~Status()
{
    State::instance().objectReleased(State::Status);
}

void Status::Release()
{
    delete this;
}

} // namespace standin
