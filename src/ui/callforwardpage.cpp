#include "ui/callforwardpage.h"

#include "ui_callforwardpage.h"
#include "util/trace.h"

#include <QPainter>
#include <QStyleOption>

namespace {

// Sample numbers in the country of the sample flag.
const QString kSamplePrefix = QStringLiteral("+235 22 51 ");
const QString kSampleFlag = QStringLiteral(":/gfx/flags/235.jpg");

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
    const QIcon flag(kSampleFlag);
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
