#ifndef LINKORA_UI_POPUPLISTKEYS_H
#define LINKORA_UI_POPUPLISTKEYS_H

#include <QModelIndex>
#include <QObject>

class QAbstractItemView;

// The keyboard of a pop-up list under the number field. While the pop-up
// is open its keys are its own: no hot key of the window acts on them (Enter
// would otherwise place a call behind the list). Letters and arrows move the
// list's current row, as the list does by itself; Return and Enter pick that
// row as a click does; Escape asks to close the pop-up without a choice.
class PopupListKeys : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PopupListKeys)

public:
    // Watches the list's events; a child of the list.
    explicit PopupListKeys(QAbstractItemView *list);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Return or Enter, with the list's current row.
    void picked(const QModelIndex &current);
    // Escape.
    void closeRequested();

private:
    QAbstractItemView *const m_list;
};

#endif // LINKORA_UI_POPUPLISTKEYS_H
