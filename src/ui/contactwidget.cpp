#include "ui/contactwidget.h"
#include "ui_contactwidget.h"

#include <QPainter>
#include <QStyleOption>

ContactWidget::ContactWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::ContactWidget)
{
    m_ui->setupUi(this);
    updateButtonText();
    connect(m_ui->addRemoveButton, &QPushButton::clicked, this, &ContactWidget::onAddRemoveClicked);
}

ContactWidget::~ContactWidget() = default;

void ContactWidget::setName(const QString &name)
{
    m_ui->nameLabel->setFullText(name);
}

void ContactWidget::setGroupName(const QString &name)
{
    m_ui->groupLabel->setText(QStringLiteral("(%1)").arg(name));
}

void ContactWidget::setChecked(bool checked)
{
    m_ui->addRemoveButton->setChecked(checked);
    updateButtonText();
}

bool ContactWidget::isChecked() const
{
    return m_ui->addRemoveButton->isChecked();
}

void ContactWidget::onAddRemoveClicked(bool checked)
{
    updateButtonText();
    emit toggled(checked);
}

void ContactWidget::updateButtonText()
{
    m_ui->addRemoveButton->setText(m_ui->addRemoveButton->isChecked() ? tr("REMOVE") : tr("ADD"));
}

void ContactWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
