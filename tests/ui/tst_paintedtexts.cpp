#include "mainwindowrig.h"

#include "contactsmodels.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "support/webservicestandin.h"
#include "support/xserver.h"
#include "ui/contactdetailspage.h"
#include "ui/dialpadpage.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <functional>

// Texts as the X server paints them: where the room is short they are cut
// with an ellipsis, never cut off by the edge of the room they are painted
// in, and never painted over their neighbours.

using namespace UiTesting;

namespace {

const QChar Ellipsis(0x2026);

// The columns of an image that hold ink, first and last; none: -1, -2.
struct InkSpan
{
    int left = -1;
    int right = -2;
    int width() const { return right - left + 1; }
};

InkSpan inkSpan(const QImage &image, const std::function<bool(QRgb)> &isInk)
{
    InkSpan span;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (isInk(image.pixel(x, y))) {
                if (span.left < 0)
                    span.left = x;
                span.right = x;
                break;
            }
        }
    }
    return span;
}

bool opaque(QRgb pixel)
{
    return qAlpha(pixel) > 96;
}

// The ink of the text painted in the font where nothing cuts it, on a
// transparent ground unless another is given.
InkSpan inkOf(const QString &text, const QFont &font, const std::function<bool(QRgb)> &isInk = opaque,
              const QColor &pen = Qt::black, const QColor &ground = Qt::transparent)
{
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 40, metrics.height() + 10,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(pen);
    painter.drawText(image.rect().adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.end();
    return inkSpan(image, isInk);
}

// What the label itself paints of its text, as wide as the text is when
// nothing cuts it: a label paints nothing outside its room.
QString paintedWhole(QLabel *label)
{
    const QImage image = label->grab().toImage();
    const QRgb ground = image.pixel(0, 0);
    const auto ink = [ground](QRgb pixel) {
        return qAbs(qAlpha(pixel) - qAlpha(ground)) + qAbs(qRed(pixel) - qRed(ground))
            + qAbs(qGreen(pixel) - qGreen(ground)) + qAbs(qBlue(pixel) - qBlue(ground))
            > 160;
    };
    const InkSpan painted = inkSpan(image, ink);
    const InkSpan whole = inkOf(label->text(), label->font(), ink,
                                label->palette().color(label->foregroundRole()), QColor::fromRgba(ground));
    if (painted.width() == whole.width())
        return QString();
    return QStringLiteral("%1 \"%2\" painted %3 px of %4 px wide ink, in %5 px")
        .arg(label->objectName(), label->text())
        .arg(painted.width())
        .arg(whole.width())
        .arg(label->width());
}

// Either the whole text, or its start cut with an ellipsis and the whole of
// it in the tooltip.
QString wholeOrCut(const QLabel *label, const QString &text)
{
    const QString shown = label->text();
    if (shown == text)
        return QString();
    if (shown.endsWith(Ellipsis) && text.startsWith(shown.chopped(1)) && UiLook::shownToolTip(label) == text)
        return QString();
    return QStringLiteral("%1 shows \"%2\" with the tooltip \"%3\" for \"%4\"")
        .arg(label->objectName(), shown, label->toolTip(), text);
}

QRect geometryIn(const QWidget *widget, const QWidget *ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint()), widget->size());
}

QString dataTag()
{
    return QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
}

} // namespace

class TestPaintedTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiLook::install(); }

    void liveStripCaption_data();
    void liveStripCaption();
    void detailsRows_data();
    void detailsRows();

private:
    int m_case = 0;
};

void TestPaintedTexts::liveStripCaption_data()
{
    QTest::addColumn<QString>("number");
    // From the shortest numbers to the longest a telephone number has.
    const QString digits = QStringLiteral("493099900012345");
    for (int length = 4; length <= digits.size(); ++length)
        QTest::newRow(qPrintable(QStringLiteral("%1 digits").arg(length))) << digits.left(length);
}

// During a call the strip over the other views names the callee whole; its
// caption takes the room left, whole or cut with an ellipsis that shows.
void TestPaintedTexts::liveStripCaption()
{
    QFETCH(QString, number);
    PromptRecorder prompts;
    MainWindowRig client(QStringLiteral("strip%1.px").arg(++m_case));
    client.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    ContentWidget *content = client.content();
    content->setView(ContentWidget::DialPadView, false);
    auto *dialPad = client.child<DialPadPage>("dialPadPage");
    dialPad->setNumber(number);
    content->setCallInfo(QStringLiteral("00:00:05"));
    content->setView(ContentWidget::SmsView, false);
    auto *panel = client.child<QWidget>("liveConversationPanel");
    QTRY_VERIFY(panel->isVisible());

    auto *caption = client.child<QLabel>("conversationLabel");
    auto *callee = client.child<QLabel>("numberLabel");
    auto *time = client.child<QLabel>("timeLabel");
    QCOMPARE(callee->text(), dialPad->number());
    const QString cut = wholeOrCut(caption, QStringLiteral("conversation"));
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
    for (QLabel *label : {caption, callee, time}) {
        QVERIFY2(UiLook::liesInside(label, panel), qPrintable(label->objectName()));
        const QString painted = paintedWhole(label);
        QVERIFY2(painted.isEmpty(), qPrintable(painted));
    }
    QVERIFY(caption->geometry().right() < callee->geometry().left());
    QVERIFY(callee->geometry().right() < time->geometry().left());
    QVERIFY(client.window->grab().save(
        UiLook::screenshotPath(QStringLiteral("live-strip-%1.png").arg(dataTag()))));
    content->setCallInfo(QString());
}

void TestPaintedTexts::detailsRows_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("address");
    const QString longAddress
        = QStringLiteral("Apartment 12, Long Street Name Number 1234, Berlin-Charlottenburg");
    QTest::newRow("three-line address") << 3 << "CELL"
                                        << "0301234567" << longAddress;
    QTest::newRow("15-digit number") << 1 << "WORK"
                                     << "493055512345678"
                                     << "1 Main St";
    QTest::newRow("both") << 5 << "WORK"
                          << "493055512345678" << longAddress;
}

// On the contact's page, reached by a double click in the contact list, the
// number rows keep their height whatever the address, and each number shows
// whole or cut with an ellipsis clear of its buttons.
void TestPaintedTexts::detailsRows()
{
    QFETCH(int, count);
    QFETCH(QString, kind);
    QFETCH(QString, number);
    QFETCH(QString, address);
    PromptRecorder prompts;
    MainWindowRig client(QStringLiteral("details%1.px").arg(++m_case));
    // A double click shows the contact rather than calls it.
    client.settings->setCallStartDblClick(false);
    QList<QPair<QString, QString>> phones;
    for (int i = 0; i < count; ++i)
        phones << qMakePair(kind, number);
    client.rig.contacts.addOldContact(
        Contact(WebserviceStandIn::contactRecord("mia", "Friends", "Mia", "Post", phones, {"mia@example.org"},
                                                 address)
                    .toVariantMap()));
    client.rig.contacts.refreshContactList();
    client.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    ContentWidget *content = client.content();
    content->setView(ContentWidget::ContactListView, false);
    auto *tree = client.child<QTreeView>("contactsTreeView");
    QTRY_VERIFY(tree->isVisible());
    const QModelIndexList found
        = tree->model()->match(tree->model()->index(0, 0), ContactsTreeModel::NickRole, QStringLiteral("mia"),
                               1, Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    // Its group opened by a click on its arrow, then a double click on it.
    const QRect groupRow = tree->visualRect(found.first().parent());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(groupRow.left() - tree->indentation() / 2, groupRow.center().y()));
    QTRY_VERIFY(tree->isExpanded(found.first().parent()));
    const QPoint at = tree->visualRect(found.first()).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE(content->currentView(), ContentWidget::ContactDetailsView);
    QTRY_VERIFY(!sliding(content));

    auto *page = client.child<ContactDetailsPage>("contactDetailsPage");
    auto *addressLabel = client.child<QLabel>("addressLabel");
    QCOMPARE(addressLabel->text(), address);
    if (address.size() > 40)
        QVERIFY2(addressLabel->height() >= 3 * addressLabel->fontMetrics().lineSpacing(),
                 "the address should wrap to three lines at least");
    const auto row = [&](const char *format, int r) {
        return client.child<QWidget>(qPrintable(QString::fromLatin1(format).arg(r)));
    };
    int bottom = -1;
    for (int r = 1; r <= count; ++r) {
        const QString name = QStringLiteral("row %1").arg(r);
        auto *type = static_cast<QLabel *>(row("numberTypeLabel_%1", r));
        auto *shown = static_cast<QLabel *>(row("numberLabel_%1", r));
        QWidget *call = row("callNumberButton_%1", r);
        QWidget *sms = row("sendSMSButton_%1", r);
        // As high as the form makes them, one below the other.
        for (const QWidget *widget :
             {static_cast<QWidget *>(type), static_cast<QWidget *>(shown), call, sms}) {
            QVERIFY2(widget->isVisible(), qPrintable(name));
            QVERIFY2(widget->height() >= qMax(widget->minimumHeight(), widget->sizeHint().height()),
                     qPrintable(QStringLiteral("%1: %2 is %3 px high")
                                    .arg(name, widget->objectName())
                                    .arg(widget->height())));
        }
        const QRect label = geometryIn(shown, page);
        QVERIFY2(label.top() > bottom, qPrintable(name));
        bottom = label.bottom();
        QVERIFY2(geometryIn(call, page).top() >= label.top()
                     && geometryIn(call, page).bottom() <= label.bottom(),
                 qPrintable(name));
        // The number clear of its buttons, whole or cut where it shows.
        QCOMPARE(type->text(), kind + QLatin1Char(':'));
        QVERIFY2(label.right() < geometryIn(call, page).left(), qPrintable(name));
        const QString cut = wholeOrCut(shown, number);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        const QString painted = paintedWhole(shown);
        QVERIFY2(painted.isEmpty(), qPrintable(painted));
    }
    QVERIFY(
        page->grab().save(UiLook::screenshotPath(QStringLiteral("contact-details-%1.png").arg(dataTag()))));

    // The button sends the number whole, also when the row shows it cut.
    QSignalSpy sms(page, &ContactDetailsPage::sendSMS);
    QTest::mouseClick(row("sendSMSButton_%1", 1), Qt::LeftButton);
    QCOMPARE(sms, (QList<QVariantList> {{QString(), number}}));
}

LINKORA_XSERVER_TEST_MAIN(TestPaintedTexts, XServer::Bare)
#include "tst_paintedtexts.moc"
