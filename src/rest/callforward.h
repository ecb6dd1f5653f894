#ifndef REST_CALLFORWARD_H
#define REST_CALLFORWARD_H

#include "rest/restobj.h"

// A call-forwarding rule: the target number, a day and hour window, the
// conditions and the ring time.
class CallForward : public RestObj
{
public:
    CallForward();
    explicit CallForward(const QVariant &value);

    QVariant toVariantMap() const override;
    void fromVariant(const QVariant &value) override;

    const QString &number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }
    int dayStart() const { return m_dayStart; }
    void setDayStart(int dayStart) { m_dayStart = dayStart; }
    int hourStart() const { return m_hourStart; }
    void setHourStart(int hourStart) { m_hourStart = hourStart; }
    int dayEnd() const { return m_dayEnd; }
    void setDayEnd(int dayEnd) { m_dayEnd = dayEnd; }
    int hourEnd() const { return m_hourEnd; }
    void setHourEnd(int hourEnd) { m_hourEnd = hourEnd; }
    bool forwardOnBusy() const { return m_forwardOnBusy; }
    void setForwardOnBusy(bool on) { m_forwardOnBusy = on; }
    bool forwardOnNoAnswer() const { return m_forwardOnNoAnswer; }
    void setForwardOnNoAnswer(bool on) { m_forwardOnNoAnswer = on; }
    bool forwardOnUnavailable() const { return m_forwardOnUnavailable; }
    void setForwardOnUnavailable(bool on) { m_forwardOnUnavailable = on; }
    bool forwardUnconditionally() const { return m_forwardUnconditionally; }
    void setForwardUnconditionally(bool on) { m_forwardUnconditionally = on; }
    int ringTimer() const { return m_ringTimer; }
    void setRingTimer(int ringTimer) { m_ringTimer = ringTimer; }

private:
    QString m_number;
    int m_dayStart = 0;
    int m_hourStart = 0;
    int m_dayEnd = 0;
    int m_hourEnd = 0;
    bool m_forwardOnBusy = false;
    bool m_forwardOnNoAnswer = false;
    bool m_forwardOnUnavailable = false;
    bool m_forwardUnconditionally = false;
    int m_ringTimer = 0;
};

QDebug operator<<(QDebug dbg, const CallForward &forward);

Q_DECLARE_METATYPE(CallForward)

#endif // REST_CALLFORWARD_H
