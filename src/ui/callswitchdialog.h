#ifndef LINKORA_UI_CALLSWITCHDIALOG_H
#define LINKORA_UI_CALLSWITCHDIALOG_H

#include "ui/dialogbase.h"
#include "util/stopwatch.h"

#include <QHash>
#include <QPointer>
#include <QScopedPointer>

class CallSwitchListItemWidget;
class Phone;

namespace talk {
class Call;
}

namespace Ui {
class CallSwitchDialog;
}

// The small window behind the SWAP button: one row per live call of Phone,
// in the order Phone lists them, with the remote number, the state
// ("ACTIVE" or "ON HOLD") and, for calls it saw connect, the running time.
// It shows and marks calls; it never holds or switches one.
//
// While open it follows the media engine: created calls get a row,
// destroyed ones lose theirs, and a focus change marks the call that lost
// the focus on hold and the one that took it active. Rows only compare the
// call pointers they keep; a call is read only while Phone still lists it.
//
// The central area opens it from SWAP with WA_DeleteOnClose and forgets it
// on destroyed():
//   swapTopMenuButton clicked -> ContentWidget::onSwapCallClicked
//   CallSwitchDialog destroyed -> ContentWidget::onCallSwitchDialogClosed
class CallSwitchDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(CallSwitchDialog)

public:
    // The Phone must outlive the dialog.
    explicit CallSwitchDialog(Phone *phone, QWidget *parent = nullptr);
    ~CallSwitchDialog() override;

    int rowCount() const;
    // Null outside 0 .. rowCount() - 1.
    CallSwitchListItemWidget *rowWidget(int row) const;
    const talk::Call *callAt(int row) const;

private slots:
    void removeCall(const talk::Call *call);
    void addCall(const talk::Call *call);
    // The new call first, then the one that had the focus; either may be null.
    void callFocusChanged(const talk::Call *newCall, const talk::Call *oldCall);
    void onItemSelectionChanged();
    void onSessionInitiated(const talk::Call *call);
    void onCallStarted(const talk::Call *call);
    void updateTimes();

private:
    void fillCalls();
    void appendRow(const talk::Call *call);
    // The first row from the top that holds the call, or -1.
    int indexOfCall(const talk::Call *call) const;

    const QScopedPointer<Ui::CallSwitchDialog> m_ui;
    const QPointer<Phone> m_phone;
    // Since when each call is connected, as far as the dialog saw it.
    QHash<const talk::Call *, Stopwatch> m_connectedSince;
};

#endif // LINKORA_UI_CALLSWITCHDIALOG_H
