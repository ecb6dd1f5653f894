#include "ui/callforwardpage.h"

#include "prefixprovider.h"
#include "ui/countrytable.h"
#include "ui_callforwardpage.h"
#include "util/trace.h"

#include <QPainter>
#include <QStyleOption>

namespace {

// Sample numbers of the range kept for fiction, shown with their country's
// flag.
const QString kSamplePrefix = QStringLiteral("+44 20 7946 0");

} // namespace

CallForwardPage::CallForwardPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::CallForwardPage)
{
    m_ui->setupUi(this);
    connect(m_ui->editCallForwardingButton, &QPushButton::clicked, this,
            &CallForwardPage::onEditCallForwardingClicked);

    QListWidget *list = m_ui->callForwardListWidget;
    QPixmap blank(20, 15);
    blank.fill(Qt::transparent);
    const PrefixProvider *table = countryTable();
    const QIcon flag(table ? table->flagForNumber(kSamplePrefix) : QPixmap());
    new QListWidgetItem(QIcon(blank), tr("Calls from..."), list);
    for (int number = 690; number <= 696; ++number)
        new QListWidgetItem(flag, kSamplePrefix + QString::number(number), list);
    new QListWidgetItem(QIcon(QStringLiteral(":/gfx/callforward/call-forward-arrow.png")),
                        tr("...forwarded to"), list);
    new QListWidgetItem(flag, kSamplePrefix + QString::number(700), list);
}

CallForwardPage::~CallForwardPage() = default;

void CallForwardPage::onEditCallForwardingClicked()
{
    TRACE_NOTIMPL;
}

void CallForwardPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
