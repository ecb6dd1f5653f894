#ifndef STANDIN_STATUS_H
#define STANDIN_STATUS_H

#include "plixtalk_api.h"

namespace standin {

class Status final : public plix::IStatus
{
public:
    Status();
    ~Status() override;

    void Release() override;
    void SetShow(int show) override { m_show = show; }
    void SetPriority(int priority) override { m_priority = priority; }
    int Show() const override { return m_show; }
    int Priority() const override { return m_priority; }

private:
    int m_show = plix::SHOW_NONE;
    int m_priority = 0;
};

} // namespace standin

#endif // STANDIN_STATUS_H
