#include "ui/flagpopup.h"

#include "prefixprovider.h"
#include "ui/countrytable.h"
#include "ui/popuplistkeys.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

FlagPopup::FlagPopup(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , listWidget(new QListWidget(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listWidget);
    // The keys typed while the pop-up is open go to its list.
    setFocusProxy(listWidget);
    auto *keys = new PopupListKeys(listWidget);
    // A click picks a country, as Return does.
    connect(listWidget, &QListWidget::clicked, this,
            qOverload<const QModelIndex &>(&FlagPopup::onPrefixSelected));
    connect(keys, &PopupListKeys::picked, this, qOverload<const QModelIndex &>(&FlagPopup::onPrefixSelected));
    connect(keys, &PopupListKeys::closeRequested, this, &FlagPopup::onClosePicker);

    const QList<QListWidgetItem *> items = countryTable()->countryListItems();
    for (QListWidgetItem *item : items)
        listWidget->addItem(item);

    setFixedSize(190, 170);
}

FlagPopup::~FlagPopup() = default;

void FlagPopup::ensureCurrentRow()
{
    if (listWidget->currentRow() < 0 && listWidget->count() > 0) {
        listWidget->setCurrentRow(0);
        listWidget->item(0)->setSelected(true);
    }
}

QPixmap FlagPopup::currentFlag()
{
    ensureCurrentRow();
    return countryTable()->flagForItem(listWidget->currentItem());
}

QString FlagPopup::currentCountryName()
{
    ensureCurrentRow();
    return countryTable()->countryNameForItem(listWidget->currentItem());
}

int FlagPopup::currentCountryIndex()
{
    ensureCurrentRow();
    return listWidget->currentRow();
}

void FlagPopup::setCurrentCountryIndex(int row)
{
    ensureCurrentRow();
    if (row == listWidget->currentRow()) {
        emit formatNumber(row);
        return;
    }
    QListWidgetItem *item = listWidget->item(row);
    if (!item)
        return;
    listWidget->setCurrentItem(item);
    item->setSelected(true);
    onPrefixSelected(listWidget->currentIndex(), false);
}

void FlagPopup::onPrefixSelected(const QModelIndex &index, bool clearNumber)
{
    if (index.isValid()) {
        QListWidgetItem *item = listWidget->item(index.row());
        const PrefixProvider *table = countryTable();
        const QStringList prefixes = table->prefixesForItem(item);
        item->setSelected(true);
        emit prefixSelected(table->flagForItem(item), table->countryNameForItem(item),
                            prefixes.isEmpty() ? QString() : prefixes.first(), clearNumber);
    }
    onClosePicker();
}

void FlagPopup::onPrefixSelected(const QModelIndex &index)
{
    onPrefixSelected(index, true);
}

void FlagPopup::onClosePicker()
{
    emit closed();
    close();
}

bool FlagPopup::event(QEvent *event)
{
    // Deferred, so that the deactivation is handled before the window goes.
    if (event->type() == QEvent::WindowDeactivate)
        QTimer::singleShot(0, this, &FlagPopup::onClosePicker);
    return QWidget::event(event);
}

void FlagPopup::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
