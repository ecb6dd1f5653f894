#ifndef LINKORA_UI_POPUPLISTKEYS_H
#define LINKORA_UI_POPUPLISTKEYS_H

#include <QObject>

#include <functional>

class QAbstractItemView;

// The keyboard of a pop-up list under the number field. While the pop-up
// is open its keys are its own: no hot key of the window acts on them (Enter
// would otherwise place a call behind the list). Letters and arrows move the
// list's current row, as the list does by itself; Return and Enter pick that
// row as a click does; Escape closes the pop-up without a choice.
class PopupListKeys : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PopupListKeys)

public:
    // Watches the list's events; a child of the list.
    PopupListKeys(QAbstractItemView *list, std::function<void()> pick, std::function<void()> close);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractItemView *const m_list;
    const std::function<void()> m_pick;
    const std::function<void()> m_close;
};

#endif // LINKORA_UI_POPUPLISTKEYS_H
