#ifndef STANDIN_ROSTER_H
#define STANDIN_ROSTER_H

#include "plixtalk_api.h"

namespace standin {

// A PC-to-phone account keeps no contacts on the talk server: the roster is empty.
class Roster final : public plix::IRoster
{
public:
    int Count() const override { return 0; }
    plix::IJid *At(int) const override { return nullptr; }
};

} // namespace standin

#endif // STANDIN_ROSTER_H
