#include "ui/recentnumberspopup.h"

#include "ui/popuplistkeys.h"
#include "ui/recentnumberitemdelegate.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

namespace {
// The delegate draws each row twice as high.
constexpr int kRowHeight = 22;
constexpr int kWidth = 190;
constexpr int kHeight = 170;
} // namespace

RecentNumbersPopup::RecentNumbersPopup(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , listWidget(new QListWidget(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listWidget);
    // The keys typed while the pop-up is open go to its list.
    setFocusProxy(listWidget);
    auto *keys = new PopupListKeys(listWidget);
    connect(listWidget, &QListWidget::clicked, this, &RecentNumbersPopup::onNumberSelected);
    connect(keys, &PopupListKeys::picked, this, &RecentNumbersPopup::onNumberSelected);
    connect(keys, &PopupListKeys::closeRequested, this, &RecentNumbersPopup::onClosePicker);
    listWidget->setItemDelegate(new RecentNumberItemDelegate(this));
    setFixedSize(kWidth, kHeight);
}

RecentNumbersPopup::~RecentNumbersPopup() = default;

void RecentNumbersPopup::setNumbers(const QStringList &numbers)
{
    listWidget->clear();
    listWidget->addItems(numbers.mid(0, MaximumRows));
    for (int row = 0; row < listWidget->count(); ++row)
        listWidget->item(row)->setSizeHint(QSize(1, kRowHeight));
    // As high as its rows, up to the full height: one or two numbers do not
    // hang a blank sheet over the keypad.
    int height = 2 * listWidget->frameWidth();
    for (int row = 0; row < listWidget->count() && height < kHeight; ++row)
        height += listWidget->sizeHintForRow(row);
    setFixedSize(kWidth, qMin(height, kHeight));
}

int RecentNumbersPopup::count() const
{
    return listWidget->count();
}

void RecentNumbersPopup::onNumberSelected(const QModelIndex &index)
{
    if (index.isValid())
        emit numberSelected(index.data(Qt::DisplayRole).toString());
    onClosePicker();
}

void RecentNumbersPopup::onClosePicker()
{
    emit closed();
    close();
}

bool RecentNumbersPopup::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate)
        QTimer::singleShot(0, this, &RecentNumbersPopup::onClosePicker);
    return QWidget::event(event);
}

void RecentNumbersPopup::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
