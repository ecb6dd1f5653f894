#ifndef TALK_DEVICE_H
#define TALK_DEVICE_H

#include <QMetaType>
#include <QSharedPointer>
#include <QString>

class QDebug;

namespace plix {
class IDevice;
}

namespace talk {

// An audio device as the talk library names it. The display name starts as the
// device name; the media engine changes it to tell devices of equal name apart.
class Device
{
public:
    // No device.
    Device();
    Device(const QString &id, const QString &name);
    // A copy of the library's device; a null pointer gives no device.
    explicit Device(const plix::IDevice *device);

    QString id() const { return m_id; }
    QString name() const { return m_name; }
    QString displayName() const { return m_displayName; }
    bool isNull() const { return m_isNull; }

    void setDisplayName(const QString &displayName);

    // Both id and name are known, whatever the null flag says.
    bool isValid() const;

    // Devices are told apart by id only; two null devices are the same.
    bool operator==(const Device &other) const;
    bool operator!=(const Device &other) const;

    // A library device object with this id and name, released when the last
    // handle goes; empty for no device or without a loaded talk library.
    QSharedPointer<plix::IDevice> toPlixDevice() const;

private:
    QString m_id;
    QString m_name;
    QString m_displayName;
    bool m_isNull;
};

QDebug operator<<(QDebug debug, const Device &device);

} // namespace talk

Q_DECLARE_METATYPE(talk::Device)

#endif // TALK_DEVICE_H
