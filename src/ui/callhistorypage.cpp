#include "ui/callhistorypage.h"

#include "history/callhistory.h"
#include "phone/phone.h"
#include "ui/callhistorymodel.h"
#include "ui/historyroles.h"
#include "ui_callhistorypage.h"

CallHistoryPage::CallHistoryPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::CallHistoryPage)
    , m_filterModel(new HistoryFilterModel(this))
    , m_model(new CallHistoryModel(this))
{
    m_ui->setupUi(this);
    m_filterModel->setFilterRole(HistoryRoles::NameRole);
    m_filterModel->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filterModel->setSourceModel(m_model);
    m_filterModel->sort(0, Qt::DescendingOrder);
    m_ui->historyListView->setModel(m_filterModel);
    // Hover reaches the delegate only through the viewport.
    m_ui->historyListView->viewport()->setAttribute(Qt::WA_Hover);
    connect(m_ui->historyListView, &QListView::doubleClicked, this, &CallHistoryPage::onDoubleClicked,
            Qt::UniqueConnection);
}

CallHistoryPage::~CallHistoryPage() = default;

void CallHistoryPage::setPhone(Phone *phone)
{
    m_phone = phone;
}

void CallHistoryPage::setCallHistory(CallHistory *callHistory)
{
    if (m_callHistory)
        disconnect(m_callHistory, nullptr, this, nullptr);
    m_callHistory = callHistory;
    m_stale = true;
    if (!callHistory) {
        m_model->clear();
        return;
    }
    // A call that ends while the page is on show appears at once.
    connect(callHistory, &CallHistory::newEventOccurred, this, [this] {
        m_stale = true;
        if (isVisible())
            refresh();
    });
    refresh();
}

void CallHistoryPage::setItemDelegate(QAbstractItemDelegate *delegate)
{
    m_ui->historyListView->setItemDelegate(delegate);
}

void CallHistoryPage::setCallHistoryFilter(HistoryFilter filter)
{
    m_filterModel->setFilter(filter);
    m_filterModel->sort(0, Qt::DescendingOrder);
}

void CallHistoryPage::setCallHistoryFilter(int filter)
{
    if (filter < AllHistory || filter > LastWeekHistory)
        return;
    setCallHistoryFilter(static_cast<HistoryFilter>(filter));
}

void CallHistoryPage::onDoubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    emit callContact(index.data(Qt::DisplayRole).toString(), index.data(HistoryRoles::NumberRole).toString());
}

void CallHistoryPage::callCurrentEntry()
{
    onDoubleClicked(m_ui->historyListView->currentIndex());
}

void CallHistoryPage::refresh()
{
    if (!m_callHistory || !m_stale)
        return;
    m_stale = false;
    // The delegate names the parties from the address book as they are
    // drawn: looking up every event here would cost a search of the book
    // per event.
    m_model->setEvents(m_callHistory->events(nullptr));
}

void CallHistoryPage::onLoginSuccedeed()
{
    m_stale = true;
    refresh();
}
