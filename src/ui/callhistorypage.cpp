#include "ui/callhistorypage.h"

#include <QListView>
#include <QVBoxLayout>

CallHistoryPage::CallHistoryPage(QWidget *parent)
    : QWidget(parent)
    , m_historyListView(new QListView(this))
{
    m_historyListView->setObjectName(QStringLiteral("historyListView"));
    m_historyListView->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_historyListView);
}

void CallHistoryPage::setPhone(Phone *phone)
{
    m_phone = phone;
}

void CallHistoryPage::setItemDelegate(QAbstractItemDelegate *delegate)
{
    m_historyListView->setItemDelegate(delegate);
}

void CallHistoryPage::setCallHistoryFilter(int filter)
{
    m_filter = filter;
}

void CallHistoryPage::refresh() { }

void CallHistoryPage::onLoginSuccedeed() { }
