#include "ui/callforwardpage.h"

#include "prefixprovider.h"
#include "settings/homeurls.h"
#include "ui/countrytable.h"
#include "ui/webpage.h"
#include "ui_callforwardpage.h"

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

QString CallForwardPage::conditionsText(const CallForward &rule)
{
    if (rule.forwardUnconditionally())
        return tr("always");
    QStringList conditions;
    if (rule.forwardOnBusy())
        conditions << tr("when busy");
    if (rule.forwardOnNoAnswer()) {
        conditions << (rule.ringTimer() > 0 ? tr("when not answered in %1 s").arg(rule.ringTimer())
                                            : tr("when not answered"));
    }
    if (rule.forwardOnUnavailable())
        conditions << tr("when unreachable");
    if (conditions.isEmpty())
        return tr("never");
    return conditions.join(QStringLiteral(", "));
}

void CallForwardPage::setCallForwards(const QList<CallForward> &rules)
{
    QListWidget *list = m_ui->callForwardListWidget;
    list->clear();
    if (rules.isEmpty()) {
        new QListWidgetItem(tr("No calls are forwarded."), list);
        return;
    }
    new QListWidgetItem(QIcon(QStringLiteral(":/gfx/callforward/call-forward-arrow.png")),
                        tr("Calls forwarded to"), list);
    const PrefixProvider *table = countryTable();
    for (const CallForward &rule : rules) {
        // Two lines: the number, then when; the service's text is never markup
        // in a list item.
        auto *item = new QListWidgetItem(rule.number() + QLatin1Char('\n') + conditionsText(rule), list);
        item->setIcon(QIcon(table ? table->flagForNumber(rule.number()) : QPixmap()));
    }
}

void CallForwardPage::onEditCallForwardingClicked()
{
    WebPage::open(this, HomeUrls::instance()->callForwardingURL());
}

void CallForwardPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
