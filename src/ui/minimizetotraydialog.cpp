#include "ui/minimizetotraydialog.h"
#include "ui_minimizetotraydialog.h"

#include "settings/settings.h"
#include "util/trace.h"

#include <QPainter>
#include <QStyleOption>

MinimizeToTrayDialog::MinimizeToTrayDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint)
    , m_ui(new Ui::MinimizeToTrayDialog)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &MinimizeToTrayDialog::onOkClicked);
}

MinimizeToTrayDialog::~MinimizeToTrayDialog() = default;

void MinimizeToTrayDialog::setSettings(Settings *settings)
{
    m_settings = settings;
}

void MinimizeToTrayDialog::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void MinimizeToTrayDialog::onOkClicked()
{
    if (m_settings)
        m_settings->setMinimizeToTrayHint(!m_ui->dontShowAgainCheckBox->isChecked());
    else
        TRACE_WARNING << "No settings to store the choice in";
    accept();
}
