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
    void groupRowName_data();
    void groupRowName();

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

void TestPaintedTexts::groupRowName_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("countText");
    QTest::addColumn<bool>("whole");
    QTest::newRow("twenty wide letters") << QString(20, QLatin1Char('W')) << "(0 contacts)" << false;
    QTest::newRow("one contact") << QString(20, QLatin1Char('W')) << "(1 contact)" << false;
    QTest::newRow("short name") << "Work"
                                << "(0 contacts)" << true;
}

// A group row of the contact tree shows its name, cut with an ellipsis when
// long, left of its count, which shows whole; both inside the row.
void TestPaintedTexts::groupRowName()
{
    QFETCH(QString, group);
    QFETCH(QString, countText);
    QFETCH(bool, whole);
    PromptRecorder prompts;
    MainWindowRig client(QStringLiteral("groups%1.px").arg(++m_case));
    ContactManager &contacts = client.rig.contacts;
    contacts.addOldGroup(group);
    if (countText.startsWith(QLatin1String("(1 ")))
        contacts.addOldContact(
            Contact(WebserviceStandIn::contactRecord("ann", group, "Ann", "Lee", {{"CELL", "0301234567"}})
                        .toVariantMap()));
    contacts.refreshContactList();
    client.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    client.content()->setView(ContentWidget::ContactListView, false);
    auto *tree = client.child<QTreeView>("contactsTreeView");
    QTRY_VERIFY(tree->isVisible());
    const QModelIndexList found
        = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, group, 1, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().data(ContactsTreeModel::ContactCountRole).toInt(),
             countText.startsWith("(1 ") ? 1 : 0);

    // The row as painted, from its own left edge on: the branch arrow lies
    // left of it.
    const QRect rowRect = tree->visualRect(found.first());
    QVERIFY(tree->viewport()->rect().contains(rowRect));
    const QImage painted = tree->viewport()->grab(rowRect).toImage();
    // Dark blue and grey on white: the row is neither hovered nor selected.
    const auto nameInk = [](QRgb pixel) {
        return qBlue(pixel) - qRed(pixel) > 40 && qGray(pixel) < 160;
    };
    const auto countInk = [](QRgb pixel) {
        const int high = qMax(qRed(pixel), qMax(qGreen(pixel), qBlue(pixel)));
        const int low = qMin(qRed(pixel), qMin(qGreen(pixel), qBlue(pixel)));
        return high - low <= 8 && qGray(pixel) < 200;
    };
    const InkSpan name = inkSpan(painted, nameInk);
    const InkSpan count = inkSpan(painted, countInk);
    QVERIFY(painted.save(UiLook::screenshotPath(QStringLiteral("group-row-%1.png").arg(dataTag()))));
    QVERIFY(client.window->grab().save(
        UiLook::screenshotPath(QStringLiteral("group-list-%1.png").arg(dataTag()))));

    QFont nameFont = tree->font();
    nameFont.setWeight(QFont::Bold);
    nameFont.setPixelSize(13);
    QFont countFont = nameFont;
    countFont.setPixelSize(10);
    const auto countWidth = [&](const QString &text) {
        return inkOf(text, countFont, countInk, QColor(0x80, 0x80, 0x80), Qt::white).width();
    };
    const auto nameWidth = [&](const QString &text) {
        return inkOf(text, nameFont, nameInk, QColor(0x00, 0x43, 0x72), Qt::white).width();
    };
    QVERIFY2(
        count.width() == countWidth(countText),
        qPrintable(
            QStringLiteral("the count painted %1 px of %2").arg(count.width()).arg(countWidth(countText))));
    QVERIFY2(name.right < count.left,
             qPrintable(QStringLiteral("the name's ink reaches %1, the count's starts at %2")
                            .arg(name.right)
                            .arg(count.left)));
    QVERIFY(count.right < rowRect.width());
    if (whole) {
        QCOMPARE(name.width(), nameWidth(group));
    } else {
        // Some of its letters and the ellipsis.
        bool elided = false;
        for (int letters = 1; letters < group.size() && !elided; ++letters)
            elided = name.width() == nameWidth(group.left(letters) + Ellipsis);
        QVERIFY2(elided, qPrintable(QStringLiteral("the name painted %1 px wide").arg(name.width())));
    }
}

LINKORA_XSERVER_TEST_MAIN(TestPaintedTexts, XServer::Bare)
#include "tst_paintedtexts.moc"
