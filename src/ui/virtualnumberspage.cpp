#include "ui/virtualnumberspage.h"

#include "settings/homeurls.h"
#include "ui/repolishwidget.h"
#include "ui/virtualnumberitemwidget.h"
#include "ui/webpage.h"
#include "ui_virtualnumberspage.h"

#include <QPainter>
#include <QStyleOption>

VirtualNumbersPage::VirtualNumbersPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::VirtualNumbersPage)
{
    m_ui->setupUi(this);
    connect(m_ui->getNumberButton, &QPushButton::clicked, this, &VirtualNumbersPage::onGetNumberClicked);
}

VirtualNumbersPage::~VirtualNumbersPage() = default;

void VirtualNumbersPage::setVirtualNumbers(const QList<VirtualNumber> &numbers)
{
    const bool any = !numbers.isEmpty();
    m_ui->infoLabel->setText(
        any ? tr("Your existing numbers:")
            : tr("You don't have any existing numbers.<br/>Click button below to buy one."));
    m_ui->topBackground->setProperty("_styled", any);
    m_ui->numbersListWidget->setVisible(any);
    repolishWidget(m_ui->topBackground);

    m_ui->numbersListWidget->clear();
    for (const VirtualNumber &number : numbers) {
        auto *row = new VirtualNumberItemWidget;
        row->setVirtualNumber(number);
        auto *item = new QListWidgetItem(number.number(), m_ui->numbersListWidget);
        item->setSizeHint(QSize(1, 66));
        // The text is for finding the row; the row widget shows the number.
        item->setForeground(Qt::transparent);
        m_ui->numbersListWidget->setItemWidget(item, row);
        connect(row, &VirtualNumberItemWidget::renewClicked, this, &VirtualNumbersPage::onNumberRenewClicked);
    }
}

void VirtualNumbersPage::onNumberRenewClicked()
{
    WebPage::open(this, HomeUrls::instance()->onlineNumberURL());
}

void VirtualNumbersPage::onGetNumberClicked()
{
    WebPage::open(this, HomeUrls::instance()->onlineNumberURL());
}

void VirtualNumbersPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
