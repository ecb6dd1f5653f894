#ifndef LINKORA_UI_VOICEMAILMODEL_H
#define LINKORA_UI_VOICEMAILMODEL_H

#include <QAbstractListModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

// One voice message of the account.
class VoicemailEntry
{
public:
    // Playback states.
    enum State { NotPlayed = 0, Playing = 1, Paused = 2, Played = 3 };

    VoicemailEntry() = default;

    QString number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }
    QDateTime timestamp() const { return m_timestamp; }
    void setTimestamp(const QDateTime &timestamp) { m_timestamp = timestamp; }
    // The message's length.
    QTime duration() const { return m_duration; }
    void setDuration(const QTime &duration) { m_duration = duration; }
    int state() const { return m_state; }
    void setState(int state) { m_state = state; }

private:
    QString m_number;
    QDateTime m_timestamp;
    QTime m_duration;
    int m_state = NotPlayed;
};

// The account's voicemail entries, one row each. Only the playback state
// can be changed through the model.
class VoicemailModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY(VoicemailModel)

public:
    explicit VoicemailModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    void addEntry(const VoicemailEntry &entry);
    // Replaces every entry at once.
    void setEntries(const QList<VoicemailEntry> &entries);
    // Empties the list; attached views show no rows.
    void clear();

private:
    QList<VoicemailEntry> m_entries;
};

#endif // LINKORA_UI_VOICEMAILMODEL_H
