#ifndef LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H
#define LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>

class ContactManager;

// Draws one call-history entry: the other party's name from the address
// book, the number with the kind's icon, the time and the call's length.
// Names are looked up once per number and kept until the book changes, so
// painting does not search the whole book for every row.
class CallHistoryEventItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(CallHistoryEventItemDelegate)

public:
    explicit CallHistoryEventItemDelegate(ContactManager *contactManager, QObject *parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // "h:mm:ss" from an hour on, else "mm:ss".
    static QString formatDuration(const QTime &duration);
    // The name in at most 17 characters as the row shows it.
    static QString elideName(const QString &firstName, const QString &lastName);
    // The icon of an event type; null for an unknown type.
    static QPixmap eventTypeIcon(int type);
    // The name the row shows for the number: the contact's, else the stored
    // one, else "Unknown".
    QString displayName(const QString &number, const QString &storedName) const;

private:
    void forgetNames();

    QPointer<ContactManager> m_contactManager;
    // Number to contact name ("" when no contact has it).
    mutable QHash<QString, QString> m_names;
};

#endif // LINKORA_UI_CALLHISTORYEVENTITEMDELEGATE_H
