#include "ui/callforwardpage.h"

#include <QLabel>
#include <QVBoxLayout>

CallForwardPage::CallForwardPage(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Call Forward"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}
