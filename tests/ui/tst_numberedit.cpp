#include "history/numberhistory.h"
#include "objfactory.h"
#include "prefixprovider.h"
#include "settings/dbstore.h"
#include "support/casestore.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "ui/contactmanager.h"
#include "ui/countrytable.h"
#include "ui/flagpopup.h"
#include "ui/keyboardhelpers.h"
#include "ui/numberedit.h"
#include "ui/popuplistkeys.h"
#include "ui/recentnumberitemdelegate.h"
#include "ui/recentnumberspopup.h"
#include "ui/uitesthelpers.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A number history whose clock moves one second per number.
class ClockedNumberHistory
{
public:
    void add(const QString &number)
    {
        m_clock.now = m_clock.now.addSecs(1);
        history.addNumber(number, QString());
    }

    NumberHistory history;

private:
    TestClock m_clock {QDateTime(QDate(2025, 3, 1), QTime(12, 0))};
};

QLineEdit *lineEditOf(const NumberEdit &edit)
{
    return edit.findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
}

QPushButton *buttonOf(const NumberEdit &edit, const QString &name)
{
    return edit.findChild<QPushButton *>(name);
}

FlagPopup *flagPopupOf(const NumberEdit &edit)
{
    return edit.findChild<FlagPopup *>(QStringLiteral("flagPopup"));
}

RecentNumbersPopup *recentPopupOf(const NumberEdit &edit)
{
    return edit.findChild<RecentNumbersPopup *>();
}

int countryOf(const QString &prefix)
{
    return countryTable()->indexOfPrefix(prefix);
}

int countryCount()
{
    const QList<QListWidgetItem *> items = countryTable()->countryListItems();
    qDeleteAll(items);
    return items.size();
}

Contact annLee()
{
    Contact ann;
    ann.setNick(QStringLiteral("ann"));
    ann.setGroupName(QStringLiteral("Friends"));
    ann.setFirstName(QStringLiteral("Ann"));
    ann.setLastName(QStringLiteral("Lee"));
    PhoneNumber phone;
    phone.setNumber(QStringLiteral("+44 (20) 7946-0000"));
    ann.setPhones({phone});
    return ann;
}

// One recent row as the delegate paints it, on white.
QImage paintedRow(const QString &number)
{
    RecentNumbersPopup popup;
    popup.setNumbers({number});
    auto *list = popup.findChild<QListWidget *>();
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 190, 44);
    option.font = list->font();
    QImage image(option.rect.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    list->itemDelegate()->paint(&painter, option, list->model()->index(0, 0));
    return image;
}

// Whether any pixel of the rows is darker than the grey line.
bool inkInRows(const QImage &image, int from, int to)
{
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 100)
                return true;
        }
    }
    return false;
}

} // namespace

class TestNumberEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typingAndPastingWriteTheCountryPrefix_data();
    void typingAndPastingWriteTheCountryPrefix();
    void everyPrefixOfTheTableIsRecognised();
    void countryPickedByHandStartsTheNumberAfresh();
    void keysMoveThePickerRowWithoutPicking();
    void popupListKeys_data();
    void popupListKeys();
    void clearButtonFollowsTheText();
    void recentNumbersNewestFirstAndChoosingFillsTheField();
    void noRecentNumbersKeepsTheListClosed();
    void popupClosesWhenAnotherWindowIsActivated();

    void pickerSelectsTheFirstCountryOnFirstQuestion();
    void pickerSameRowOnlyAsksForFormatting();
    void pickerOtherRowReportsAndCloses();
    void pickerClickOutsideRowsOnlyCloses();
    void recentListKeepsSixteenRows_data();
    void recentListKeepsSixteenRows();
    void recentRowsAreTwoLinesHigh();
    void recentNumberShowsItsContact();
    void callInProgressKeepsTheText_data();
    void callInProgressKeepsTheText();

    void screenshot();

private:
    std::unique_ptr<CaseStore> m_store;
    std::unique_ptr<ClockedNumberHistory> m_history;
    std::unique_ptr<NumberEdit> m_edit;
    int m_case = 0;
};

void TestNumberEdit::initTestCase()
{
    const QStringList fonts = QString::fromUtf8(readResource(QStringLiteral(":/fonts/index.txt")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : fonts)
        QFontDatabase::addApplicationFontFromData(readResource(path));
    qApp->setStyleSheet(QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")))
                        + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css"))));
    QVERIFY(countryOf(QStringLiteral("44")) >= 0);
}

void TestNumberEdit::init()
{
    m_store = std::make_unique<CaseStore>(QStringLiteral("numbers%1.px").arg(++m_case));
    m_store->loadDatabases();
    m_history = std::make_unique<ClockedNumberHistory>();
    m_edit = std::make_unique<NumberEdit>();
    m_edit->setNumberHistory(&m_history->history);
    m_edit->resize(260, 31);
}

void TestNumberEdit::cleanup()
{
    m_edit.reset();
    m_history.reset();
    m_store->closeDatabases();
    m_store.reset();
}

void TestNumberEdit::typingAndPastingWriteTheCountryPrefix_data()
{
    // Steps: "type X" (key by key), "paste X", "select all". One expected
    // text per step.
    QTest::addColumn<QString>("startPrefix");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("country");

    QTest::newRow("4 and 4 with another country")
        << "93" << QStringList {"type 4", "type 4"} << QStringList {"4", "44-"} << "United Kingdom";
    QTest::newRow("1, 2, 4, 2: the longest prefix wins")
        << "93" << QStringList {"type 1", "type 2", "type 4", "type 2"}
        << QStringList {"1-", "1-2", "1-24", "1242-"} << "Bahamas";
    QTest::newRow("+442 pasted") << "93" << QStringList {"paste +442"} << QStringList {"44-2"}
                                 << "United Kingdom";
    QTest::newRow("0, 0, 4, 4 with 44 selected")
        << "44" << QStringList {"type 0", "type 0", "type 4", "type 4"}
        << QStringList {"0", "00", "004", "44-"} << "United Kingdom";
    QTest::newRow("011 in front like the prefix alone")
        << "93" << QStringList {"paste 01144"} << QStringList {"44-"} << "United Kingdom";
    QTest::newRow("pasted number goes on at its end") << "93" << QStringList {"paste 4420", "type 7"}
                                                      << QStringList {"44-20", "44-207"} << "United Kingdom";
    QTest::newRow("Canada's area code pasted: text kept")
        << "93" << QStringList {"paste 12045550100"} << QStringList {"12045550100"} << "Canada";
    QTest::newRow("Canada's area code typed after 1-: text kept")
        << "93" << QStringList {"type 1", "type 204", "type 5"} << QStringList {"1-", "1-204", "1-2045"}
        << "Canada";
    QTest::newRow("12+3 pasted is refused")
        << "93" << QStringList {"paste 12+3"} << QStringList {""} << "Afghanistan";
    QTest::newRow("letters, blanks and brackets dropped")
        << "93" << QStringList {"paste (44) 20 abc 7946"} << QStringList {"44-207946"} << "United Kingdom";
    QTest::newRow("1-212, select all, 1: no dash") << "1" << QStringList {"type 212", "select all", "type 1"}
                                                   << QStringList {"1-212", "1-212", "1"} << "USA";
    QTest::newRow("1-212, select all, +1: prefix written")
        << "1" << QStringList {"type 212", "select all", "type +", "type 1"}
        << QStringList {"1-212", "1-212", "+", "1-"} << "USA";
    QTest::newRow("no known prefix: country kept")
        << "44" << QStringList {"type 999"} << QStringList {"999"} << "United Kingdom";
    QTest::newRow("key-pad symbol first: no detection")
        << "44" << QStringList {"type *1#"} << QStringList {"*1#"} << "United Kingdom";
}

void TestNumberEdit::typingAndPastingWriteTheCountryPrefix()
{
    QFETCH(QString, startPrefix);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, texts);
    QFETCH(QString, country);

    QLineEdit *line = lineEditOf(*m_edit);
    m_edit->setCurrentCountryIndex(countryOf(startPrefix));
    if (startPrefix != QLatin1String("1"))
        m_edit->clearNumber();
    QSignalSpy changed(m_edit.get(), &NumberEdit::numberChanged);

    for (int i = 0; i < steps.size(); ++i) {
        const QString step = steps.at(i);
        if (step.startsWith(QLatin1String("type ")))
            QTest::keyClicks(line, step.mid(5));
        else if (step.startsWith(QLatin1String("paste "))) {
            QApplication::clipboard()->setText(step.mid(6));
            line->paste();
        } else {
            line->selectAll();
        }
        QCOMPARE(m_edit->text(), texts.at(i));
    }

    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip(), country);
    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagArrowButton"))->toolTip(), country);
    QCOMPARE(line->cursorPosition(), m_edit->text().size());
    if (!changed.isEmpty()) {
        // The cleaned number of the last change.
        QString cleaned = m_edit->text().remove(QLatin1Char('-'));
        if (cleaned.startsWith(QLatin1Char('+')))
            cleaned.remove(0, 1);
        while (cleaned.startsWith(QLatin1Char('0')))
            cleaned.remove(0, 1);
        QCOMPARE(changed.last().at(0).toString(), cleaned);
    }
}

void TestNumberEdit::everyPrefixOfTheTableIsRecognised()
{
    // Typing any prefix of the table ends (the handling writes the text
    // again from inside itself) with that prefix's country selected.
    const PrefixProvider *table = countryTable();
    QLineEdit *line = lineEditOf(*m_edit);
    int checked = 0;
    for (int country = 0; country < countryCount(); ++country) {
        for (const QString &prefix : table->prefixesAt(country)) {
            m_edit->clearNumber();
            QTest::keyClicks(line, prefix);
            const int expected = table->indexOfPrefix(prefix);
            QVERIFY2(m_edit->currentCountryIndex() == expected, qPrintable(prefix));
            QCOMPARE(m_edit->text().remove(QLatin1Char('-')), prefix);
            ++checked;
        }
    }
    QVERIFY(checked > 250);
}

void TestNumberEdit::countryPickedByHandStartsTheNumberAfresh()
{
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
    QTest::keyClicks(lineEditOf(*m_edit), QStringLiteral("123"));
    QCOMPARE(m_edit->text(), QStringLiteral("1-23"));

    QPushButton *flagButton = buttonOf(*m_edit, QStringLiteral("flagButton"));
    QPushButton *arrowButton = buttonOf(*m_edit, QStringLiteral("flagArrowButton"));
    FlagPopup *popup = flagPopupOf(*m_edit);
    QTest::mouseClick(arrowButton, Qt::LeftButton);
    QVERIFY(popup->isVisible());
    QVERIFY(flagButton->isCheckable() && flagButton->isChecked());
    QVERIFY(!flagButton->isEnabled() && !arrowButton->isEnabled());
    // Under the flag, by the flag button's height of the style sheet.
    QCOMPARE(flagButton->minimumHeight(), 19);
    QCOMPARE(popup->pos(), flagButton->mapToGlobal(QPoint(0, 0)) + QPoint(0, 19));

    auto *list = popup->findChild<QListWidget *>();
    UiTesting::clickRow(list, countryOf(QStringLiteral("44")));
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_edit->text(), QStringLiteral("44-"));
    QCOMPARE(lineEditOf(*m_edit)->cursorPosition(), 3);
    QCOMPARE(flagButton->toolTip(), QStringLiteral("United Kingdom"));
    QVERIFY(!flagButton->isCheckable() && !flagButton->isChecked());
    QVERIFY(flagButton->isEnabled() && arrowButton->isEnabled());

    // Canada's area codes are its prefixes: picking it keeps the number.
    QTest::keyClicks(lineEditOf(*m_edit), QStringLiteral("207"));
    QTest::mouseClick(flagButton, Qt::LeftButton);
    UiTesting::clickRow(list, countryOf(QStringLiteral("1204")));
    QCOMPARE(m_edit->text(), QStringLiteral("44-207"));
    QCOMPARE(flagButton->toolTip(), QStringLiteral("Canada"));
}

void TestNumberEdit::keysMoveThePickerRowWithoutPicking()
{
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
    m_edit->setText(QStringLiteral("44-20"));
    FlagPopup *popup = flagPopupOf(*m_edit);
    QSignalSpy picked(popup, &FlagPopup::prefixSelected);
    QTest::mouseClick(buttonOf(*m_edit, QStringLiteral("flagButton")), Qt::LeftButton);
    auto *list = popup->findChild<QListWidget *>();
    const int start = m_edit->currentCountryIndex();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    popup->onClosePicker();

    QCOMPARE(picked.count(), 0);
    QCOMPARE(m_edit->text(), QStringLiteral("44-20"));
    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip(), QStringLiteral("United Kingdom"));
    QCOMPARE(m_edit->currentCountryIndex(), start + 2);
}

void TestNumberEdit::popupListKeys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("picked");
    QTest::addColumn<bool>("closing");
    QTest::addColumn<int>("currentRow");
    QTest::newRow("an arrow and Return") << QList<int> {Qt::Key_Down, Qt::Key_Return} << 1 << false << 1;
    QTest::newRow("key-pad Enter") << QList<int> {Qt::Key_Enter} << 0 << false << 0;
    QTest::newRow("a letter") << QList<int> {Qt::Key_C} << -1 << false << 2;
    QTest::newRow("Escape") << QList<int> {Qt::Key_Escape} << -1 << true << 0;
}

void TestNumberEdit::popupListKeys()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, picked);
    QFETCH(bool, closing);
    QFETCH(int, currentRow);
    QListWidget list;
    list.addItems({QStringLiteral("Austria"), QStringLiteral("Belgium"), QStringLiteral("Chile")});
    list.setCurrentRow(0);
    const PopupListKeys *popupKeys = new PopupListKeys(&list);
    QSignalSpy picks(popupKeys, &PopupListKeys::picked);
    QSignalSpy closes(popupKeys, &PopupListKeys::closeRequested);
    // Hot keys of the window on the same keys stay silent.
    int hotKeys = 0;
    for (const int key : keys)
        connect(new QShortcut(QKeySequence(key), &list), &QShortcut::activated, this,
                [&hotKeys] { ++hotKeys; });
    list.show();
    list.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&list));

    for (const int key : keys)
        QTest::keyClick(&list, Qt::Key(key));
    QCOMPARE(picks.size(), picked < 0 ? 0 : 1);
    if (picked >= 0)
        QCOMPARE(picks.first().first().toModelIndex().row(), picked);
    QCOMPARE(closes.size(), closing ? 1 : 0);
    QCOMPARE(list.currentRow(), currentRow);
    QCOMPARE(hotKeys, 0);
}

void TestNumberEdit::clearButtonFollowsTheText()
{
    QPushButton *recentClear = buttonOf(*m_edit, QStringLiteral("recentClearButton"));
    QPushButton *save = buttonOf(*m_edit, QStringLiteral("saveNumberButton"));
    QCOMPARE(recentClear->property("_is_clear").toBool(), false);
    QCOMPARE(recentClear->toolTip(), QStringLiteral("Show recent numbers"));
    QVERIFY(save->isHidden());

    QTest::keyClicks(lineEditOf(*m_edit), QStringLiteral("44"));
    QCOMPARE(recentClear->property("_is_clear").toBool(), true);
    QCOMPARE(recentClear->toolTip(), QStringLiteral("Clear number"));
    QVERIFY(!save->isHidden());

    QSignalSpy saved(m_edit.get(), &NumberEdit::saveNumberClicked);
    save->click();
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.at(0).at(0).toString(), QStringLiteral("44-"));

    QSignalSpy changed(m_edit.get(), &NumberEdit::numberChanged);
    recentClear->click();
    QCOMPARE(m_edit->text(), QString());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QString());
    QCOMPARE(recentClear->property("_is_clear").toBool(), false);
    QCOMPARE(recentClear->toolTip(), QStringLiteral("Show recent numbers"));
    QVERIFY(save->isHidden());
    // The country stays when the text goes.
    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip(), QStringLiteral("United Kingdom"));
}

void TestNumberEdit::recentNumbersNewestFirstAndChoosingFillsTheField()
{
    for (const char *number : {"+4420794600", "0049301234", "+12125550100"})
        m_history->add(QString::fromLatin1(number));
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));

    QPushButton *recentClear = buttonOf(*m_edit, QStringLiteral("recentClearButton"));
    RecentNumbersPopup *popup = recentPopupOf(*m_edit);
    QCOMPARE(popup->objectName(), QStringLiteral("recentNumberPopup"));
    QTest::mouseClick(recentClear, Qt::LeftButton);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->objectName(), QStringLiteral("recentNumbersPopup"));
    QVERIFY(recentClear->isCheckable() && recentClear->isChecked() && !recentClear->isEnabled());
    // Hangs from the field's left edge, as the country picker does.
    QPushButton *flag = buttonOf(*m_edit, QStringLiteral("flagButton"));
    QCOMPARE(popup->pos(), flag->mapToGlobal(QPoint(0, flag->minimumHeight())));

    auto *list = popup->findChild<QListWidget *>();
    // The style sheet's look of the open list reached it.
    QVERIFY(list->font().bold());
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(0)->text(), QStringLiteral("+12125550100"));
    QCOMPARE(list->item(2)->text(), QStringLiteral("+4420794600"));

    QSignalSpy chosen(popup, &RecentNumbersPopup::numberSelected);
    UiTesting::clickRow(list, 1);
    QCOMPARE(chosen.count(), 1);
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_edit->text(), QStringLiteral("49-301234"));
    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip(), QStringLiteral("Germany"));
    QVERIFY(!recentClear->isCheckable() && !recentClear->isChecked() && recentClear->isEnabled());
}

void TestNumberEdit::noRecentNumbersKeepsTheListClosed()
{
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
    QPushButton *recentClear = buttonOf(*m_edit, QStringLiteral("recentClearButton"));
    QTest::mouseClick(recentClear, Qt::LeftButton);
    QVERIFY(!recentPopupOf(*m_edit)->isVisible());
    QVERIFY(!recentClear->isCheckable() && recentClear->isEnabled());

    // A field that was never given a history behaves the same.
    NumberEdit alone;
    alone.show();
    QVERIFY(QTest::qWaitForWindowExposed(&alone));
    QTest::mouseClick(buttonOf(alone, QStringLiteral("recentClearButton")), Qt::LeftButton);
    QVERIFY(!recentPopupOf(alone)->isVisible());
}

void TestNumberEdit::popupClosesWhenAnotherWindowIsActivated()
{
    m_history->add(QStringLiteral("+4420794600"));
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit.get()));
    QPushButton *recentClear = buttonOf(*m_edit, QStringLiteral("recentClearButton"));
    QTest::mouseClick(recentClear, Qt::LeftButton);
    RecentNumbersPopup *popup = recentPopupOf(*m_edit);
    QVERIFY(QTest::qWaitForWindowActive(popup));
    QSignalSpy closed(popup, &RecentNumbersPopup::closed);

    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!popup->isVisible());
    QVERIFY(closed.count() >= 1);
    QVERIFY(recentClear->isEnabled() && !recentClear->isCheckable());
    QCOMPARE(m_edit->text(), QString());
}

void TestNumberEdit::pickerSelectsTheFirstCountryOnFirstQuestion()
{
    FlagPopup popup;
    auto *list = popup.findChild<QListWidget *>();
    QCOMPARE(list->count(), countryCount());
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(!popup.currentFlag().isNull());
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(list->item(0)->isSelected());
    QCOMPARE(popup.currentCountryName(), QStringLiteral("Afghanistan"));
    QCOMPARE(popup.currentCountryIndex(), 0);
}

void TestNumberEdit::pickerSameRowOnlyAsksForFormatting()
{
    FlagPopup popup;
    const int uk = countryOf(QStringLiteral("44"));
    popup.setCurrentCountryIndex(uk);
    QSignalSpy selected(&popup, &FlagPopup::prefixSelected);
    QSignalSpy closed(&popup, &FlagPopup::closed);
    QSignalSpy format(&popup, &FlagPopup::formatNumber);
    popup.show();

    popup.setCurrentCountryIndex(uk);
    QCOMPARE(format.count(), 1);
    QCOMPARE(format.at(0).at(0).toInt(), uk);
    QCOMPARE(selected.count(), 0);
    QCOMPARE(closed.count(), 0);
    QVERIFY(popup.isVisible());
}

void TestNumberEdit::pickerOtherRowReportsAndCloses()
{
    FlagPopup popup;
    QStringList order;
    connect(
        &popup, &FlagPopup::prefixSelected, this,
        [&order](const QPixmap &flag, const QString &name, const QString &prefix, bool clear) {
            order << QStringLiteral("selected %1 %2 %3 %4").arg(name, prefix).arg(clear).arg(flag.isNull());
        });
    connect(&popup, &FlagPopup::closed, this, [&order] { order << QStringLiteral("closed"); });
    QSignalSpy format(&popup, &FlagPopup::formatNumber);

    // Hidden, and with no current row yet.
    popup.setCurrentCountryIndex(countryOf(QStringLiteral("1204")));
    QCOMPARE(order, (QStringList {"selected Canada 1000 0 0", "closed"}));
    QCOMPARE(format.count(), 0);
    QCOMPARE(popup.currentCountryName(), QStringLiteral("Canada"));

    // A row that does not exist changes nothing.
    order.clear();
    popup.setCurrentCountryIndex(100000);
    QVERIFY(order.isEmpty());
    QCOMPARE(popup.currentCountryName(), QStringLiteral("Canada"));
}

void TestNumberEdit::pickerClickOutsideRowsOnlyCloses()
{
    FlagPopup popup;
    popup.show();
    QSignalSpy selected(&popup, &FlagPopup::prefixSelected);
    QSignalSpy closed(&popup, &FlagPopup::closed);
    popup.onPrefixSelected(QModelIndex());
    QCOMPARE(selected.count(), 0);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!popup.isVisible());

    RecentNumbersPopup recent;
    recent.show();
    QSignalSpy numbers(&recent, &RecentNumbersPopup::numberSelected);
    QSignalSpy recentClosed(&recent, &RecentNumbersPopup::closed);
    recent.onNumberSelected(QModelIndex());
    QCOMPARE(numbers.count(), 0);
    QCOMPARE(recentClosed.count(), 1);
    QVERIFY(!recent.isVisible());
}

void TestNumberEdit::recentListKeepsSixteenRows_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("rows");
    QTest::newRow("20") << 20 << 16;
    QTest::newRow("16") << 16 << 16;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("none") << 0 << 0;
}

void TestNumberEdit::recentListKeepsSixteenRows()
{
    QFETCH(int, given);
    QFETCH(int, rows);
    QStringList numbers;
    for (int i = 0; i < given; ++i)
        numbers << QStringLiteral("+4420%1").arg(i);
    RecentNumbersPopup popup;
    popup.setNumbers({QStringLiteral("to be replaced")});
    popup.setNumbers(numbers);
    QCOMPARE(popup.count(), rows);
    auto *list = popup.findChild<QListWidget *>();
    for (int row = 0; row < rows; ++row)
        QCOMPARE(list->item(row)->text(), numbers.at(row));
}

void TestNumberEdit::recentRowsAreTwoLinesHigh()
{
    RecentNumbersPopup popup;
    popup.setNumbers({QStringLiteral("+4420794600")});
    auto *list = popup.findChild<QListWidget *>();
    QCOMPARE(list->item(0)->sizeHint().height(), 22);
    QCOMPARE(list->itemDelegate()->sizeHint(QStyleOptionViewItem(), list->model()->index(0, 0)).height(), 44);
}

void TestNumberEdit::recentNumberShowsItsContact()
{
    ContactManager *book = ObjFactory::instance()->contactManager();
    book->setContacts({annLee()});
    // Only the digits count.
    QCOMPARE(RecentNumberItemDelegate::contactNameFor(QStringLiteral("442079460000")),
             QStringLiteral("Ann Lee"));
    QCOMPARE(RecentNumberItemDelegate::contactNameFor(QStringLiteral("+12125550100")), QString());
    const QImage withName = paintedRow(QStringLiteral("+442079460000"));
    const QImage alone = paintedRow(QStringLiteral("+12125550100"));
    book->setContacts({});

    // The name on the upper line, the number on the lower; a number
    // without a contact alone in the middle.
    QVERIFY(inkInRows(withName, 5, 12));
    QVERIFY(inkInRows(withName, 30, 39));
    QVERIFY(!inkInRows(alone, 5, 12));
    QVERIFY(!inkInRows(alone, 33, 43));
    // The grey line along the bottom edge, in both.
    QCOMPARE(QColor(withName.pixel(100, 43)), QColor(Qt::gray));
    QCOMPARE(QColor(alone.pixel(5, 43)), QColor(Qt::gray));
}

void TestNumberEdit::callInProgressKeepsTheText_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("other");

    QTest::newRow("a digit") << QStringList {"1"} << QString();
    QTest::newRow("Backspace") << QStringList {"Backspace"} << QString();
    QTest::newRow("all deleted, a number typed")
        << QStringList {"Ctrl+A", "Delete", "1", "2", "3"} << QString();
    QTest::newRow("all cut") << QStringList {"Ctrl+A", "Ctrl+X"} << QString();
    QTest::newRow("pasted") << QStringList {"Ctrl+A", "Ctrl+V"} << QString();
    QTest::newRow("undone") << QStringList {"Ctrl+Z"} << QString();
    QTest::newRow("dropped") << QStringList() << "drop";
    QTest::newRow("number from outside") << QStringList() << "text";
    QTest::newRow("country from outside") << QStringList() << "country";
}

// Whatever the user or the program tries, the number called stays until the
// call ends; then the field edits again.
void TestNumberEdit::callInProgressKeepsTheText()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, other);
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowActive(m_edit.get()));
    QLineEdit *line = lineEditOf(*m_edit);
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("4420794600"));
    const QString callee = QStringLiteral("44-20794600");
    QCOMPARE(m_edit->text(), callee);
    const QString country = buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip();
    QApplication::clipboard()->setText(QStringLiteral("123"));

    m_edit->setCallInProgress(true);
    KeyboardTesting::Fingers fingers;
    for (const QString &key : std::as_const(keys))
        QVERIFY2(fingers.type(key), qPrintable(key));
    if (other == QLatin1String("drop")) {
        QMimeData text;
        text.setText(QStringLiteral("123"));
        const QPoint at = line->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(line, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(line, &drop);
    } else if (other == QLatin1String("text")) {
        m_edit->setText(QStringLiteral("123"));
    } else if (other == QLatin1String("country")) {
        m_edit->setCurrentCountryIndex(countryOf(QStringLiteral("1")));
    }
    QCOMPARE(m_edit->text(), callee);
    QCOMPARE(buttonOf(*m_edit, QStringLiteral("flagButton"))->toolTip(), country);

    m_edit->setCallInProgress(false);
    line->end(false);
    QVERIFY(fingers.type(QStringLiteral("5")));
    QCOMPARE(m_edit->text(), callee + QLatin1Char('5'));
}

void TestNumberEdit::screenshot()
{
    ObjFactory::instance()->contactManager()->setContacts({annLee()});
    for (const char *number : {"+4420794600", "+442079460000", "0049301234", "+12125550100"})
        m_history->add(QString::fromLatin1(number));
    QWidget window;
    window.setObjectName(QStringLiteral("numberEditShot"));
    window.setStyleSheet(QStringLiteral("#numberEditShot { background: #f4f6f9; }"));
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new NumberEdit(&window);
    edit->setNumberHistory(&m_history->history);
    layout->addWidget(edit);
    window.resize(300, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(lineEditOf(*edit), QStringLiteral("442079460"));
    QCOMPARE(edit->text(), QStringLiteral("44-2079460"));
    QVERIFY(window.grab().save(UiTesting::screenshotPath(QStringLiteral("numberedit.png"))));

    edit->clearNumber();
    QTest::mouseClick(buttonOf(*edit, QStringLiteral("recentClearButton")), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(recentPopupOf(*edit)));
    QVERIFY(
        recentPopupOf(*edit)->grab().save(UiTesting::screenshotPath(QStringLiteral("recentnumbers.png"))));
    recentPopupOf(*edit)->onClosePicker();

    QTest::mouseClick(buttonOf(*edit, QStringLiteral("flagButton")), Qt::LeftButton);
    FlagPopup *picker = flagPopupOf(*edit);
    QVERIFY(QTest::qWaitForWindowExposed(picker));
    QVERIFY(picker->grab().save(UiTesting::screenshotPath(QStringLiteral("flagpopup.png"))));
    // The United Kingdom, and Antarctica, which has no flag of its own.
    auto *list = picker->findChild<QListWidget *>();
    for (const char *prefix : {"44", "672"}) {
        list->scrollToItem(list->item(countryOf(QString::fromLatin1(prefix))),
                           QAbstractItemView::PositionAtCenter);
        QVERIFY(
            picker->grab().save(UiTesting::screenshotPath(QStringLiteral("flagpopup-%1.png").arg(prefix))));
    }
    ObjFactory::instance()->contactManager()->setContacts({});
}

LINKORA_TEST_MAIN(TestNumberEdit)
#include "tst_numberedit.moc"
