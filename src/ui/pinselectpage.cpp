#include "ui/pinselectpage.h"
#include "ui_pinselectpage.h"

#include "settings/settings.h"
#include "util/trace.h"

#include <QKeyEvent>
#include <QMovie>
#include <QPainter>
#include <QStyleOption>

PINSelectPage::PINSelectPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::PINSelectPage)
    , m_spinner(new QMovie(QStringLiteral(":/gfx/login/spinner.gif"), QByteArray(), this))
{
    m_ui->setupUi(this);
    m_ui->progressLabel->setMovie(m_spinner);
    m_ui->pinComobBox->installEventFilter(this);
    connect(m_ui->confirmButton, &QPushButton::clicked, this, &PINSelectPage::onConfirmClicked);
}

PINSelectPage::~PINSelectPage() = default;

void PINSelectPage::setSettings(Settings *settings)
{
    m_settings = settings;
    TRACE << "Setting up pin selection checkbox";
    if (m_settings && m_settings->skipPinSelection(false))
        m_ui->skipPinSelectionCheckBox->setChecked(true);
}

void PINSelectPage::setPINs(const QStringList &pins)
{
    m_ui->pinComobBox->clear();
    m_ui->pinComobBox->addItems(pins);
    m_ui->skipPinSelectionCheckBox->hide();
    m_ui->skipPinSelectionCheckBox->setChecked(m_settings && m_settings->skipPinSelection(false));
    if (!pins.isEmpty()) {
        m_ui->pinComobBox->setCurrentIndex(0);
        if (pins.size() == 1)
            m_ui->skipPinSelectionCheckBox->show();
    }
}

void PINSelectPage::setDefaultPIN(int index)
{
    m_defaultPinIndex = index;
    m_ui->pinComobBox->setCurrentIndex(index);
}

void PINSelectPage::setBusy(bool busy)
{
    if (busy) {
        m_ui->pinStackedWidget->setCurrentWidget(m_ui->pageProgress);
        m_spinner->start();
    } else {
        m_ui->pinStackedWidget->setCurrentWidget(m_ui->pageConfirm);
        m_spinner->stop();
    }
}

void PINSelectPage::setUserName(const QString &name)
{
    m_ui->nameLabel->setText(name);
}

QString PINSelectPage::userName() const
{
    return m_ui->nameLabel->text();
}

int PINSelectPage::currentPinIndex() const
{
    return m_ui->pinComobBox->currentIndex();
}

bool PINSelectPage::skipPinSelectionChecked() const
{
    return m_ui->skipPinSelectionCheckBox->isChecked();
}

void PINSelectPage::onConfirmClicked()
{
    if (m_ui->pinComobBox->count() > 0)
        emit PINSelected(m_ui->pinComobBox->currentText());
}

bool PINSelectPage::eventFilter(QObject *watched, QEvent *event)
{
    // Return and Enter confirm; they never reach the combo box or the
    // default button.
    if (watched == m_ui->pinComobBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onConfirmClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PINSelectPage::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
