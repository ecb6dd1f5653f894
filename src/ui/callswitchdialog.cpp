#include "ui/callswitchdialog.h"
#include "ui_callswitchdialog.h"

#include "phone/phone.h"
#include "talk/call.h"
#include "talk/mediaengine.h"
#include "ui/callswitchlistitemwidget.h"

#include <QListWidgetItem>
#include <QTime>
#include <QTimer>

namespace {

// Several times a second, so that the seconds shown never skip one
// whatever the phase of a call's start.
const int TimeRefreshInterval = 200;

// A row of the list: it remembers its call, only to compare it.
class CallItem : public QListWidgetItem
{
public:
    static const int ItemType = 1100;

    explicit CallItem(QListWidget *list)
        : QListWidgetItem(list, ItemType)
    {
        setSizeHint(QSize(1, 56));
    }

    void setCall(const talk::Call *call) { m_call = call; }
    const talk::Call *call() const { return m_call; }

private:
    const talk::Call *m_call = nullptr;
};

CallItem *callItem(QListWidgetItem *item)
{
    return item && item->type() == CallItem::ItemType ? static_cast<CallItem *>(item) : nullptr;
}

} // namespace

CallSwitchDialog::CallSwitchDialog(Phone *phone, QWidget *parent)
    : DialogBase(parent)
    , m_ui(new Ui::CallSwitchDialog)
    , m_phone(phone)
{
    m_ui->setupUi(contentWidget());
    connect(m_ui->callsListWidget, &QListWidget::itemSelectionChanged, this,
            &CallSwitchDialog::onItemSelectionChanged);

    if (m_phone) {
        if (talk::MediaEngine *engine = m_phone->mediaEngine()) {
            connect(engine, &talk::MediaEngine::callCreated, this, &CallSwitchDialog::addCall);
            connect(engine, &talk::MediaEngine::callDestroyed, this, &CallSwitchDialog::removeCall);
            // The engine names the call that had the focus first.
            connect(engine, &talk::MediaEngine::callFocusChanged, this,
                    [this](const talk::Call *oldCall, const talk::Call *newCall) {
                        callFocusChanged(newCall, oldCall);
                    });
        }
        connect(m_phone, &Phone::callStarted, this, &CallSwitchDialog::onCallStarted);
        // A call's remote party is known once its session is initiated,
        // which is after the engine announced the call.
        connect(m_phone, &Phone::incomingCall, this, &CallSwitchDialog::onSessionInitiated);
        connect(m_phone, &Phone::connecting, this, &CallSwitchDialog::onSessionInitiated);
    }

    fillCalls();
    setTitle(QString());
    setMinimumSize(350, 210);

    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &CallSwitchDialog::updateTimes);
    clock->start(TimeRefreshInterval);
}

CallSwitchDialog::~CallSwitchDialog() = default;

int CallSwitchDialog::rowCount() const
{
    return m_ui->callsListWidget->count();
}

CallSwitchListItemWidget *CallSwitchDialog::rowWidget(int row) const
{
    return qobject_cast<CallSwitchListItemWidget *>(
        m_ui->callsListWidget->itemWidget(m_ui->callsListWidget->item(row)));
}

const talk::Call *CallSwitchDialog::callAt(int row) const
{
    const CallItem *item = callItem(m_ui->callsListWidget->item(row));
    return item ? item->call() : nullptr;
}

void CallSwitchDialog::fillCalls()
{
    if (!m_phone)
        return;
    const auto calls = m_phone->calls();
    for (const talk::Call *call : calls)
        appendRow(call);
}

void CallSwitchDialog::appendRow(const talk::Call *call)
{
    auto *item = new CallItem(m_ui->callsListWidget);
    item->setCall(call);
    auto *row = new CallSwitchListItemWidget(this);
    row->setNumber(call ? Phone::remoteNumber(call) : QString());
    row->setActive(call && call->isActive());
    row->setContactName(QString());
    row->setTime(QTime());
    m_ui->callsListWidget->setItemWidget(item, row);
}

void CallSwitchDialog::addCall(const talk::Call *call)
{
    appendRow(call);
}

void CallSwitchDialog::removeCall(const talk::Call *call)
{
    const int row = indexOfCall(call);
    if (row < 0)
        return;
    delete m_ui->callsListWidget->takeItem(row);
    if (indexOfCall(call) < 0)
        m_connectedSince.remove(call);
}

void CallSwitchDialog::callFocusChanged(const talk::Call *newCall, const talk::Call *oldCall)
{
    if (CallSwitchListItemWidget *row = oldCall ? rowWidget(indexOfCall(oldCall)) : nullptr)
        row->setActive(false);
    if (CallSwitchListItemWidget *row = newCall ? rowWidget(indexOfCall(newCall)) : nullptr)
        row->setActive(true);
}

void CallSwitchDialog::onItemSelectionChanged()
{
    const QList<QListWidgetItem *> selected = m_ui->callsListWidget->selectedItems();
    for (int i = 0; i < rowCount(); ++i) {
        if (CallSwitchListItemWidget *row = rowWidget(i))
            row->setSelected(selected.contains(m_ui->callsListWidget->item(i)));
    }
}

void CallSwitchDialog::onSessionInitiated(const talk::Call *call)
{
    if (!call)
        return;
    for (int i = 0; i < rowCount(); ++i) {
        if (callAt(i) == call)
            rowWidget(i)->setNumber(Phone::remoteNumber(call));
    }
}

void CallSwitchDialog::onCallStarted(const talk::Call *call)
{
    // A call resumed from hold keeps the time it connected at.
    if (!call || indexOfCall(call) < 0 || m_connectedSince.contains(call))
        return;
    m_connectedSince[call].start();
    updateTimes();
}

void CallSwitchDialog::updateTimes()
{
    for (int i = 0; i < rowCount(); ++i) {
        const auto since = m_connectedSince.constFind(callAt(i));
        if (since == m_connectedSince.cend())
            continue;
        if (CallSwitchListItemWidget *row = rowWidget(i))
            row->setTime(QTime(0, 0).addMSecs(since->elapsed()));
    }
}

int CallSwitchDialog::indexOfCall(const talk::Call *call) const
{
    for (int i = 0; i < rowCount(); ++i) {
        const CallItem *item = callItem(m_ui->callsListWidget->item(i));
        if (item && item->call() == call)
            return i;
    }
    return -1;
}
