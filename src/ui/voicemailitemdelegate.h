#ifndef LINKORA_UI_VOICEMAILITEMDELEGATE_H
#define LINKORA_UI_VOICEMAILITEMDELEGATE_H

#include <QPixmap>
#include <QStyledItemDelegate>

// Draws one voice message: its playback icon, the caller's number and the
// date it was left.
class VoicemailItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(VoicemailItemDelegate)

public:
    explicit VoicemailItemDelegate(QObject *parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Null for a played message.
    static QPixmap stateIcon(int state, bool selected);
};

#endif // LINKORA_UI_VOICEMAILITEMDELEGATE_H
