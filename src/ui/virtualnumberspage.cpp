#include "ui/virtualnumberspage.h"

#include <QLabel>
#include <QVBoxLayout>

VirtualNumbersPage::VirtualNumbersPage(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Virtual Numbers"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

void VirtualNumbersPage::setVirtualNumbers(const QList<VirtualNumber> &numbers)
{
    m_numbers = numbers;
}
