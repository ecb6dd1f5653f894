#include "centralrig.h"
#include "prefixprovider.h"
#include "settings/homeurls.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "support/urlcatcher.h"
#include "ui/callforwardpage.h"
#include "ui/countrytable.h"
#include "ui/historyroles.h"
#include "ui/menubutton.h"
#include "ui/smspage.h"
#include "ui/virtualnumberitemwidget.h"
#include "ui/virtualnumberspage.h"
#include "ui/voicemailitemdelegate.h"
#include "ui/voicemailmodel.h"
#include "ui/voicemailpage.h"
#include "util/tracelog.h"

#include <QDesktopServices>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

VoicemailEntry entry(const QString &number, const QDateTime &timestamp, const QTime &duration, int state = 0)
{
    VoicemailEntry made;
    made.setNumber(number);
    made.setTimestamp(timestamp);
    made.setDuration(duration);
    made.setState(state);
    return made;
}

} // namespace

class TestAccountPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void voicemailFromTheTalkServiceAfterLogin();
    void playbackClock();
    void playbackClockAcrossTwoPauses();
    void pauseByClickIsLoggedAsNotDone();
    void startingAnotherMessageEndsTheFirst();
    void clickCountsOnlyOnTheIcon();
    void contextMenuEntries_data();
    void contextMenuEntries();
    void contextMenuDialogsClickedWithTheMouse_data();
    void contextMenuDialogsClickedWithTheMouse();
    void voicemailModelTakesOnlyTheState();
    void voicemailHeaderFitsThePage_data();
    void voicemailHeaderFitsThePage();

    void virtualNumbersFromTheService();
    void expiryTexts_data();
    void expiryTexts();
    void listFollowsEachDelivery();
    void expiryShowsWholeBesideRenew();
    void renewAndGetOpenTheNumbersPage();
    void callForwardRows();
    void callForwardingFromTheService();
    void forwardingConditions_data();
    void forwardingConditions();

    void smsButtonAndBackCarryTheNumber();

    void screenshots();

private:
    VoicemailPage *voicemailPage() const { return m_rig->child<VoicemailPage>("voicemailPage"); }
    // A page of its own over a model of its own, on a clock the test turns.
    void makeClockedPage(const QList<VoicemailEntry> &entries);
    QLabel *pageLabel(const char *name) const { return m_clocked->findChild<QLabel *>(QLatin1String(name)); }
    QListView *clockedList() const
    {
        return m_clocked->findChild<QListView *>(QStringLiteral("voicemailListView"));
    }
    int stateAt(int sourceRow) const
    {
        return m_model->data(m_model->index(sourceRow, 0), HistoryRoles::VoicemailStateRole).toInt();
    }
    // The clock moves on by milliseconds and the page's next tick comes now.
    void tick(qint64 milliseconds)
    {
        m_clock->advance(milliseconds);
        m_clocked->onPlaybackTimerTimeout();
    }
    void clickRow(int row, int x);
    QMenu *openMenu(int row);

    std::unique_ptr<CentralRig> m_rig;
    std::unique_ptr<VoicemailModel> m_model;
    std::unique_ptr<TestClock> m_clock;
    std::unique_ptr<VoicemailPage> m_clocked;
};

void TestAccountPages::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestAccountPages::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<CentralRig>(QStringLiteral("accountpages.px"));
    m_rig->widget->resize(300, 520);
}

void TestAccountPages::cleanup()
{
    m_clocked.reset();
    m_clock.reset();
    m_model.reset();
    m_rig.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestAccountPages::makeClockedPage(const QList<VoicemailEntry> &entries)
{
    m_model = std::make_unique<VoicemailModel>();
    m_model->setEntries(entries);
    m_clock = std::make_unique<TestClock>();
    m_clocked = std::make_unique<VoicemailPage>();
    m_clocked->filterModel()->setSourceModel(m_model.get());
    m_clocked->setVoicemailHistoryFilter(0);
    m_clocked->resize(255, 369);
    m_clocked->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_clocked.get()));
}

void TestAccountPages::clickRow(int row, int x)
{
    QListView *list = clockedList();
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + x, rect.center().y()));
}

QMenu *TestAccountPages::openMenu(int row)
{
    QListView *list = clockedList();
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    // The menu a right click asks for.
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            list->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(list->viewport(), &event);
    QMenu *menu = nullptr;
    QTest::qWaitFor(
        [&] {
            const QList<QMenu *> menus = m_clocked->findChildren<QMenu *>();
            for (QMenu *candidate : menus) {
                if (candidate->isVisible())
                    menu = candidate;
            }
            return menu != nullptr;
        },
        2000);
    return menu;
}

void TestAccountPages::voicemailFromTheTalkServiceAfterLogin()
{
    const QDateTime left = QDateTime::currentDateTime().addSecs(-3600);
    control()->add_voicemail("+4930111222", left.addDays(-2).toMSecsSinceEpoch(), 45000);
    control()->add_voicemail("+4930333444", left.toMSecsSinceEpoch(), 12500);
    auto *list = m_rig->child<QListView>("voicemailListView");
    auto *button = m_rig->child<QPushButton>("configureVoicemailButton");
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(button->text(), QStringLiteral("Get Virtual Number"));

    QVERIFY(m_rig->phone.logIn());
    QCOMPARE(list->model()->rowCount(), 2);
    // Newest first, with the caller, the time and the length.
    const QModelIndex first = list->model()->index(0, 0);
    QCOMPARE(first.data(HistoryRoles::NumberRole).toString(), QStringLiteral("+4930333444"));
    QCOMPARE(first.data(HistoryRoles::VoicemailDurationRole).toTime(), QTime(0, 0, 12, 500));
    QCOMPARE(first.data(HistoryRoles::TimestampRole).toDateTime().toSecsSinceEpoch(),
             left.toSecsSinceEpoch());
    QCOMPARE(first.data(HistoryRoles::VoicemailStateRole).toInt(), 0);
    QCOMPARE(button->text(), QStringLiteral("Configure Voicemail"));
    QVERIFY(voicemailPage()->findChild<QLabel *>("infoLabel")->isHidden());

    // The day filter of the voicemail tool bar leaves the older one out.
    voicemailPage()->setVoicemailHistoryFilter(1);
    QCOMPARE(list->model()->rowCount(), 1);

    // Gone at logout, for whoever signs in next.
    m_rig->phone.phone->logout();
    QTRY_COMPARE(list->model()->rowCount(), 0);
}

void TestAccountPages::playbackClock()
{
    makeClockedPage({entry(QStringLiteral("+111"), QDateTime::currentDateTime(), QTime(0, 0, 45))});
    auto *slider = m_clocked->findChild<QSlider *>(QStringLiteral("playbackSlider"));
    QVERIFY(!slider->isEnabled());
    clickRow(0, 10);
    QCOMPARE(stateAt(0), 1);
    QVERIFY(m_clocked->isPlaying());
    QVERIFY(slider->isEnabled());
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:00"));
    QCOMPARE(pageLabel("leftPlabackTimeLabel")->text(), QStringLiteral("-00:00"));

    tick(500);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:00"));
    QCOMPARE(pageLabel("leftPlabackTimeLabel")->text(), QStringLiteral("-00:44"));
    QCOMPARE(slider->value(), 255 * 500 / 45000);
    tick(1000);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:01"));

    // A click on the icon pauses; the time played is kept, the time paused
    // is not counted.
    clickRow(0, 10);
    QCOMPARE(stateAt(0), 2);
    QVERIFY(!m_clocked->isPlaying());
    m_clock->advance(30000);
    clickRow(0, 10);
    QCOMPARE(stateAt(0), 1);
    tick(22000);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:23"));
    QCOMPARE(slider->value(), int(255 * qint64(23500) / 45000));

    // At the end: back to idle, the message played and shown without icon.
    tick(22000);
    QVERIFY(!m_clocked->isPlaying());
    QCOMPARE(stateAt(0), 3);
    QVERIFY(!m_clocked->currentIndex().isValid());
    QVERIFY(!slider->isEnabled());
    QCOMPARE(pageLabel("leftPlabackTimeLabel")->text(), QStringLiteral("-00:00"));
    QVERIFY(VoicemailItemDelegate::stateIcon(3, false).isNull());

    // A message of no length ends at its first tick.
    m_model->addEntry(entry(QStringLiteral("+222"), QDateTime::currentDateTime().addSecs(5), QTime()));
    clickRow(0, 10);
    QCOMPARE(stateAt(1), 1);
    tick(0);
    QCOMPARE(stateAt(1), 3);
    QVERIFY(!m_clocked->isPlaying());

    // On the system's clock a short message ends on its own.
    m_clocked.reset();
    m_clock.reset();
    VoicemailPage real;
    VoicemailModel model;
    model.addEntry(entry(QStringLiteral("+333"), QDateTime::currentDateTime(), QTime(0, 0, 0, 700)));
    real.filterModel()->setSourceModel(&model);
    real.resize(255, 369);
    real.show();
    QVERIFY(QTest::qWaitForWindowExposed(&real));
    auto *list = real.findChild<QListView *>(QStringLiteral("voicemailListView"));
    const QRect rect = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 5, rect.center().y()));
    QCOMPARE(model.data(model.index(0, 0), HistoryRoles::VoicemailStateRole).toInt(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(model.data(model.index(0, 0), HistoryRoles::VoicemailStateRole).toInt(), 3,
                              3000);
}

// The time shown is the time played, kept across each pause, not the time
// since the first click.
void TestAccountPages::playbackClockAcrossTwoPauses()
{
    makeClockedPage({entry(QStringLiteral("+111"), QDateTime::currentDateTime(), QTime(0, 1))});
    clickRow(0, 10);
    for (int pause = 0; pause < 2; ++pause) {
        tick(1200);
        clickRow(0, 10);
        QCOMPARE(stateAt(0), int(VoicemailEntry::Paused));
        m_clock->advance(1500);
        clickRow(0, 10);
        QCOMPARE(stateAt(0), int(VoicemailEntry::Playing));
    }
    tick(1200);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:03"));
    QCOMPARE(pageLabel("leftPlabackTimeLabel")->text(), QStringLiteral("-00:56"));
    // Dragged to the middle, it plays on from there.
    auto *slider = m_clocked->findChild<QSlider *>(QStringLiteral("playbackSlider"));
    slider->setSliderDown(true);
    slider->setSliderPosition((slider->maximum() + slider->minimum()) / 2);
    slider->setSliderDown(false);
    tick(2000);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:31"));
}

// The click pauses the clock; that no sound is held with it is written to
// the trace log, as a warning, on each click that pauses and on none that
// plays again.
void TestAccountPages::pauseByClickIsLoggedAsNotDone()
{
    makeClockedPage({entry(QStringLiteral("+111"), QDateTime::currentDateTime(), QTime(0, 0, 45))});
    QVERIFY(TraceLog::install());
    const auto logClosed = qScopeGuard([] { TraceLog::uninstall(); });
    // The log as it is on disk: every line is written out at once.
    const auto notDone = [] {
        QFile log(TraceLog::logFilePath());
        if (!log.open(QIODevice::ReadOnly))
            return QStringList {QStringLiteral("log not readable")};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n')).filter(QStringLiteral("NOTIMPL"));
    };

    clickRow(0, 10);
    QCOMPARE(stateAt(0), int(VoicemailEntry::Playing));
    QCOMPARE(notDone(), QStringList());
    for (int pause = 1; pause <= 2; ++pause) {
        tick(1000);
        clickRow(0, 10);
        QCOMPARE(stateAt(0), int(VoicemailEntry::Paused));
        QVERIFY(!m_clocked->isPlaying());
        QCOMPARE(notDone().size(), pause);
        m_clock->advance(5000);
        clickRow(0, 10);
        QCOMPARE(stateAt(0), int(VoicemailEntry::Playing));
        QCOMPARE(notDone().size(), pause);
    }
    tick(500);
    QCOMPARE(pageLabel("playedTimeLabel")->text(), QStringLiteral("00:02"));

    static const QRegularExpression line(
        QStringLiteral(R"(\[WRN\] NOTIMPL: VoicemailPage::onItemClicked@src\\ui\\voicemailpage:\d+:$)"));
    for (const QString &written : notDone())
        QVERIFY2(line.match(written).hasMatch(), qPrintable(written));
}

void TestAccountPages::startingAnotherMessageEndsTheFirst()
{
    const QDateTime now = QDateTime::currentDateTime();
    makeClockedPage({entry(QStringLiteral("+111"), now.addSecs(-10), QTime(0, 1)),
                     entry(QStringLiteral("+222"), now.addSecs(-20), QTime(0, 1)),
                     entry(QStringLiteral("+333"), now.addSecs(-30), QTime(0, 1), 2),
                     entry(QStringLiteral("+444"), now.addSecs(-40), QTime(0, 1))});
    clickRow(0, 10);
    QCOMPARE(stateAt(0), 1);
    clickRow(1, 10);
    // The playing one and the paused one are played; the untouched one stays.
    QCOMPARE(stateAt(0), 3);
    QCOMPARE(stateAt(1), 1);
    QCOMPARE(stateAt(2), 3);
    QCOMPARE(stateAt(3), 0);
}

void TestAccountPages::clickCountsOnlyOnTheIcon()
{
    makeClockedPage({entry(QStringLiteral("+111"), QDateTime::currentDateTime(), QTime(0, 1))});
    clickRow(0, 30);
    QCOMPARE(stateAt(0), 0);
    QVERIFY(!m_clocked->isPlaying());
    clickRow(0, VoicemailPage::kIconZone - 1);
    QCOMPARE(stateAt(0), 1);
    clickRow(0, 30);
    QCOMPARE(stateAt(0), 1);
    QVERIFY(m_clocked->isPlaying());
}

void TestAccountPages::contextMenuEntries_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("next");
    QTest::newRow("first of three") << 3 << 0 << false << true;
    QTest::newRow("middle") << 3 << 1 << true << true;
    QTest::newRow("last") << 3 << 2 << true << false;
    QTest::newRow("only") << 1 << 0 << false << false;
}

void TestAccountPages::contextMenuEntries()
{
    QFETCH(int, rows);
    QFETCH(int, row);
    QFETCH(bool, previous);
    QFETCH(bool, next);
    QList<VoicemailEntry> entries;
    for (int index = 0; index < rows; ++index) {
        entries << entry(QStringLiteral("+10%1").arg(index),
                         QDateTime::currentDateTime().addSecs(-index * 60), QTime(0, 0, 30));
    }
    makeClockedPage(entries);
    QMenu *menu = openMenu(row);
    QVERIFY(menu);
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    QCOMPARE(texts,
             QStringList({"Play", "Play from start", "Play Previous Voicemail", "Play Next Voicemail",
                          "Add Contact", "Call back", "Delete"}));
    QCOMPARE(menu->actions().at(2)->isEnabled(), previous);
    QCOMPARE(menu->actions().at(3)->isEnabled(), next);

    // "Play" as a person picks it: the message plays, and the next menu
    // offers "Pause".
    const QRect play = menu->actionGeometry(menu->actions().at(0));
    QTest::mouseClick(menu, Qt::LeftButton, {}, play.center());
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(stateAt(row), 1);
    QVERIFY(m_clocked->isPlaying());
    QMenu *second = openMenu(row);
    QVERIFY(second);
    QCOMPARE(second->actions().at(0)->text(), QStringLiteral("Pause"));
    QTest::mouseClick(second, Qt::LeftButton, {}, second->actionGeometry(second->actions().at(0)).center());
    QTRY_VERIFY(!second->isVisible());
    QCOMPARE(stateAt(row), 2);
    QVERIFY(!m_clocked->isPlaying());
    // The last menu stays until the next one is made.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_clocked->findChildren<QMenu *>().size(), 1);

    // Below the last row there is no message and no menu.
    QListView *list = clockedList();
    const QPoint below(10, list->visualRect(list->model()->index(rows - 1, 0)).bottom() + 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, below, list->viewport()->mapToGlobal(below));
    QApplication::sendEvent(list->viewport(), &event);
    QTest::qWait(20);
    QVERIFY(!QApplication::activePopupWidget());
}

void TestAccountPages::contextMenuDialogsClickedWithTheMouse_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("add contact") << QStringLiteral("Add Contact");
    QTest::newRow("call back") << QStringLiteral("Call back");
}

// As a person does it in the window: a right click on the message, a left
// click on the entry, and the dialog it opens answered while the menu is
// still winding up its click.
void TestAccountPages::contextMenuDialogsClickedWithTheMouse()
{
    QFETCH(QString, entry);
    control()->add_voicemail("+4930111222", QDateTime::currentMSecsSinceEpoch() - 60000, 8000);
    // No credit: "Call back" meets the dial pad's box.
    m_rig->phone.server.setBalance(PhoneRig::kUser, 0.0, QStringLiteral("USD"), QStringLiteral("$"));
    MessagePrompt::setHandler({});
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
    QVERIFY(m_rig->phone.logIn());
    auto *list = m_rig->child<QListView>("voicemailListView");
    QTRY_COMPARE(list->model()->rowCount(), 1);

    for (int round = 0; round < 2; ++round) {
        m_rig->widget->setView(ContentWidget::VoicemailView, false);
        QTRY_VERIFY(list->isVisible());
        UiTesting::rightClick(list->viewport(), list->visualRect(list->model()->index(0, 0)).center());
        QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *action = UiTesting::menuEntry(menu, entry);
        QVERIFY(action);
        bool answered = false;
        QObject waiting;
        UiTesting::whenModal(
            [&, menu](QWidget *modal) {
                answered = bool(menu);
                if (auto *box = qobject_cast<QMessageBox *>(modal))
                    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                else
                    QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("closeButton")),
                                      Qt::LeftButton);
            },
            &waiting);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY2(answered, "the menu was gone under its own click");
        QVERIFY(!menu || !menu->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // One menu kept, the last.
    QCOMPARE(voicemailPage()->findChildren<QMenu *>().size(), 1);
}

void TestAccountPages::voicemailModelTakesOnlyTheState()
{
    VoicemailModel model;
    model.addEntry(entry(QStringLiteral("+1"), QDateTime::currentDateTime(), QTime(0, 0, 9)));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(!model.setData(model.index(0, 0), QTime(0, 1), HistoryRoles::VoicemailDurationRole));
    QVERIFY(!model.setData(model.index(0, 0), 2, Qt::EditRole));
    QVERIFY(!model.setData(model.index(1, 0), 2, HistoryRoles::VoicemailStateRole));
    QVERIFY(!model.setData(model.index(0, 1), 2, HistoryRoles::VoicemailStateRole));
    QVERIFY(changed.isEmpty());
    QCOMPARE(model.data(model.index(0, 0), HistoryRoles::VoicemailDurationRole).toTime(), QTime(0, 0, 9));
    QVERIFY(model.setData(model.index(0, 0), 2, HistoryRoles::VoicemailStateRole));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model.data(model.index(0, 0), HistoryRoles::VoicemailStateRole).toInt(), 2);
    QVERIFY(!model.data(model.index(0, 0), HistoryRoles::DurationRole).isValid());
}

void TestAccountPages::voicemailHeaderFitsThePage_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("VOL") << QStringLiteral("voicemailVolumeTopMenuButton");
    QTest::newRow("1 DAY") << QStringLiteral("oneDayVMTopMenuButton");
    QTest::newRow("7 DAYS") << QStringLiteral("sevenDaysVMTopMenuButton");
    QTest::newRow("ALL TIME") << QStringLiteral("allTimeVMTopMenuButton");
    QTest::newRow("CLEAR") << QStringLiteral("clearVoicemailsTopMenuButton");
}

void TestAccountPages::voicemailHeaderFitsThePage()
{
    QFETCH(QString, button);
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
    m_rig->widget->setView(ContentWidget::VoicemailView, false);
    auto *header = m_rig->child<QWidget>("topMenuVoicemailPage");
    QTRY_VERIFY(header->isVisible());
    auto *widget = header->findChild<QWidget *>(button);
    QVERIFY(widget);
    QVERIFY(UiLook::liesInside(widget, header));
    if (auto *menuButton = qobject_cast<MenuButton *>(widget)) {
        // The caption keeps clear of the button's edges, and so of the page's.
        const QFont font = menuButton->findChild<QLabel *>(QStringLiteral("textLabel"))->font();
        const int room = menuButton->width() - UiLook::captionSize(menuButton->text(), font).width();
        QVERIFY2(room >= 2 * 4, qPrintable(QStringLiteral("%1 pixels beside the caption").arg(room)));
    } else {
        // Both lines of the caption, drawn 4 pixels below the middle.
        auto *filter = qobject_cast<QPushButton *>(widget);
        QVERIFY2(UiLook::captionFits(filter, filter->text(), filter->font(), 4),
                 qPrintable(QStringLiteral("%1x%2").arg(filter->width()).arg(filter->height())));
    }
}

void TestAccountPages::virtualNumbersFromTheService()
{
    const QDateTime later = QDateTime::currentDateTime().addDays(30);
    m_rig->phone.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+442079460555"), later,
                                        QStringLiteral("ACTIVE"));
    m_rig->phone.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+4930901820"),
                                        QDateTime::currentDateTime().addDays(-3), QStringLiteral("EXPIRED"));
    auto *list = m_rig->child<QListWidget>("numbersListWidget");
    QVERIFY(m_rig->phone.logIn());
    QVERIFY(m_rig->phone.waitForRequests(QStringLiteral("onlineNumber"), "GET", 1));
    const auto request = m_rig->phone.requests(QStringLiteral("onlineNumber"), "GET").first();
    QCOMPARE(request.status, 200);
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(m_rig->child<VirtualNumbersPage>("virtualNumbersPage")->findChild<QLabel *>("infoLabel")->text(),
             QStringLiteral("Your existing numbers:"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("+442079460555"));
    QWidget *row = list->itemWidget(list->item(0));
    QCOMPARE(row->findChild<QLabel *>(QStringLiteral("expirationLabel"))->text(),
             QStringLiteral("expires on ") + later.date().toString(Qt::TextDate));
    // The flag of the number's country.
    QVERIFY(!row->findChild<QLabel *>(QStringLiteral("flagLabel"))->pixmap().isNull());
    QWidget *expired = list->itemWidget(list->item(1));
    QCOMPARE(expired->findChild<QLabel *>(QStringLiteral("expirationLabel"))->property("expired").toString(),
             QStringLiteral("true"));
}

void TestAccountPages::expiryTexts_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("expired");
    QTest::newRow("tomorrow") << 1 << "expires on "
                              << "false";
    QTest::newRow("today") << 0 << "expired on "
                           << "true";
    QTest::newRow("last week") << -7 << "expired on "
                               << "true";
    QTest::newRow("no date") << 9999 << "expired on "
                             << "true";
}

void TestAccountPages::expiryTexts()
{
    QFETCH(int, days);
    QFETCH(QString, prefix);
    QFETCH(QString, expired);
    const QDate date = days == 9999 ? QDate() : QDate::currentDate().addDays(days);
    VirtualNumbersPage page;
    // Markup in a number the service sends is shown as typed.
    page.setVirtualNumbers(
        {VirtualNumber(QStringLiteral("<b>+1555</b>"), QStringLiteral("US"), date, nullptr)});
    auto *list = page.findChild<QListWidget *>(QStringLiteral("numbersListWidget"));
    QWidget *row = list->itemWidget(list->item(0));
    auto *label = row->findChild<QLabel *>(QStringLiteral("expirationLabel"));
    QCOMPARE(label->text(), prefix + date.toString(Qt::TextDate));
    QCOMPARE(label->property("expired").toString(), expired);
    auto *number = row->findChild<QLabel *>(QStringLiteral("numberLabel"));
    QCOMPARE(number->textFormat(), Qt::PlainText);
    QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestAccountPages::listFollowsEachDelivery()
{
    VirtualNumbersPage page;
    auto *list = page.findChild<QListWidget *>(QStringLiteral("numbersListWidget"));
    auto *info = page.findChild<QLabel *>(QStringLiteral("infoLabel"));
    auto *top = page.findChild<QWidget *>(QStringLiteral("topBackground"));
    const QList<VirtualNumber> two {VirtualNumber(QStringLiteral("+1555"), QStringLiteral("US"),
                                                  QDate::currentDate().addDays(3), nullptr),
                                    VirtualNumber(QStringLiteral("+1556"), QStringLiteral("US"),
                                                  QDate::currentDate().addDays(9), nullptr)};
    page.setVirtualNumbers({});
    QVERIFY(list->isHidden());
    QVERIFY(!top->property("_styled").toBool());
    QCOMPARE(info->text(),
             QStringLiteral("You don't have any existing numbers.<br/>Click button below to buy one."));
    page.setVirtualNumbers(two);
    page.setVirtualNumbers(two);
    QVERIFY(!list->isHidden());
    QCOMPARE(list->count(), 2);
    QVERIFY(top->property("_styled").toBool());
    QCOMPARE(info->text(), QStringLiteral("Your existing numbers:"));
    page.setVirtualNumbers({});
    QVERIFY(list->isHidden());
    QCOMPARE(list->count(), 0);
}

// In the window's central area: the whole expiry shows, clear of "renew";
// squeezed further, it ends in "..." with the whole text as the tool tip.
void TestAccountPages::expiryShowsWholeBesideRenew()
{
    // Two-digit days: the longest dates.
    const QDate date(QDate::currentDate().year() + 1, 9, 30);
    const QString expiry = QStringLiteral("expires on ") + date.toString(Qt::TextDate);
    m_rig->phone.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+442079460555"), date.startOfDay(),
                                        QStringLiteral("ACTIVE"));
    m_rig->widget->resize(238, 410);
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
    QVERIFY(m_rig->phone.logIn());
    m_rig->widget->setView(ContentWidget::VirtualNumbersView, false);
    auto *list = m_rig->child<QListWidget>("numbersListWidget");
    QTRY_COMPARE(list->count(), 1);
    QWidget *row = list->itemWidget(list->item(0));
    QTRY_VERIFY(row->isVisible());
    auto *label = row->findChild<QLabel *>(QStringLiteral("expirationLabel"));
    auto *renew = row->findChild<QPushButton *>(QStringLiteral("renewButton"));
    QTRY_VERIFY(UiLook::liesInside(label, m_rig->widget.get()));
    QVERIFY(UiLook::liesInside(renew, m_rig->widget.get()));
    QVERIFY(!QRect(label->mapTo(row, QPoint()), label->size()).intersects(renew->geometry()));
    QCOMPARE(label->text(), expiry);
    const int needed = label->fontMetrics().horizontalAdvance(expiry);
    QVERIFY2(needed <= label->contentsRect().width(),
             qPrintable(QStringLiteral("%1 pixels in %2").arg(needed).arg(label->contentsRect().width())));
    QVERIFY(m_rig->widget->grab().save(UiLook::screenshotPath(QStringLiteral("virtualnumbers-window.png"))));

    VirtualNumberItemWidget narrow;
    narrow.setVirtualNumber(VirtualNumber(QStringLiteral("+1555"), QStringLiteral("US"), date, nullptr));
    narrow.resize(130, 66);
    narrow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&narrow));
    label = narrow.findChild<QLabel *>(QStringLiteral("expirationLabel"));
    QTRY_VERIFY(label->text().endsWith(QChar(0x2026)));
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
    QCOMPARE(label->toolTip(), expiry);
}

void TestAccountPages::renewAndGetOpenTheNumbersPage()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    VirtualNumbersPage page;
    page.setVirtualNumbers({VirtualNumber(QStringLiteral("+1555"), QStringLiteral("US"),
                                          QDate::currentDate().addDays(3), nullptr)});
    page.resize(203, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *list = page.findChild<QListWidget *>(QStringLiteral("numbersListWidget"));
    QTest::mouseClick(
        list->itemWidget(list->item(0))->findChild<QPushButton *>(QStringLiteral("renewButton")),
        Qt::LeftButton);
    QTest::mouseClick(page.findChild<QPushButton *>(QStringLiteral("getNumberButton")), Qt::LeftButton);
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls.at(0), HomeUrls::instance()->onlineNumberURL());
    QCOMPARE(catcher.urls.at(1), catcher.urls.at(0));
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("getNumberButton"))->text(),
             QStringLiteral("Get Virtual Number"));
}

void TestAccountPages::callForwardRows()
{
    CallForwardPage page;
    auto *list = page.findChild<QListWidget *>(QStringLiteral("callForwardListWidget"));
    QCOMPARE(list->count(), 10);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Calls from..."));
    QCOMPARE(list->item(8)->text(), QStringLiteral("...forwarded to"));
    QVERIFY(list->item(1)->text().endsWith(QStringLiteral("690")));
    QVERIFY(list->item(7)->text().endsWith(QStringLiteral("696")));
    QVERIFY(list->item(9)->text().endsWith(QStringLiteral("700")));
    // The flags and the arrow are there to be drawn.
    for (int row : {1, 8, 9})
        QVERIFY(!list->item(row)->icon().pixmap(20, 15).isNull());
}

void TestAccountPages::callForwardingFromTheService()
{
    m_rig->phone.server.addCallForward(
        PhoneRig::kUser,
        QJsonObject {{QStringLiteral("number"), QStringLiteral("+442079460123")},
                     {QStringLiteral("forwardOnBusy"), true},
                     {QStringLiteral("forwardOnNoAnswer"), true},
                     {QStringLiteral("ringTimer"), 20}});
    m_rig->phone.server.addCallForward(
        PhoneRig::kUser,
        QJsonObject {{QStringLiteral("number"), QStringLiteral("<i>+4930901820</i>")},
                     {QStringLiteral("forwardUnconditionally"), true}});
    auto *list = m_rig->child<QListWidget>("callForwardListWidget");
    QCOMPARE(list->count(), 10);
    QVERIFY(m_rig->phone.logIn());
    QVERIFY(m_rig->phone.waitForRequests(QStringLiteral("callForward"), "GET", 1));
    const WebserviceStandIn::Request request
        = m_rig->phone.requests(QStringLiteral("callForward"), "GET").first();
    QCOMPARE(request.user(), PhoneRig::kUser);
    QCOMPARE(request.queryValue(QStringLiteral("password")), PhoneRig::kPassword);
    QTRY_COMPARE(list->count(), 3);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Calls forwarded to"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("+442079460123\nwhen busy, when not answered in 20 s"));
    QVERIFY(!list->item(1)->icon().isNull());
    // The service's text is shown as it came.
    QCOMPARE(list->item(2)->text(), QStringLiteral("<i>+4930901820</i>\nalways"));

    // "Edit Call Forwarding" leads to the brand's page for it.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    m_rig->widget->show();
    m_rig->widget->setView(ContentWidget::CallForwardView, false);
    QTest::mouseClick(m_rig->child<QPushButton>("editCallForwardingButton"), Qt::LeftButton);
    QCOMPARE(catcher.urls, QList<QUrl> {HomeUrls::instance()->callForwardingURL()});

    // An account without rules says so; a failed answer changes nothing.
    CallForwardPage page;
    auto *own = page.findChild<QListWidget *>(QStringLiteral("callForwardListWidget"));
    page.setCallForwards({});
    QCOMPARE(own->count(), 1);
    QCOMPARE(own->item(0)->text(), QStringLiteral("No calls are forwarded."));
    m_rig->phone.server.answerNextWithStatus(500, {QStringLiteral("callForward")});
    m_rig->phone.phone->retrieveCallForwards();
    QVERIFY(m_rig->phone.waitForRequests(QStringLiteral("callForward"), "GET", 2));
    QTest::qWait(50);
    QCOMPARE(list->count(), 3);
}

void TestAccountPages::forwardingConditions_data()
{
    QTest::addColumn<QJsonObject>("rule");
    QTest::addColumn<QString>("text");
    QTest::newRow("always wins") << QJsonObject {{"forwardUnconditionally", true}, {"forwardOnBusy", true}}
                                 << "always";
    QTest::newRow("busy") << QJsonObject {{"forwardOnBusy", true}} << "when busy";
    QTest::newRow("no answer, no timer") << QJsonObject {{"forwardOnNoAnswer", true}} << "when not answered";
    QTest::newRow("unreachable") << QJsonObject {{"forwardOnUnavailable", true}} << "when unreachable";
    QTest::newRow("none") << QJsonObject {} << "never";
}

void TestAccountPages::forwardingConditions()
{
    QFETCH(QJsonObject, rule);
    QFETCH(QString, text);
    QCOMPARE(CallForwardPage::conditionsText(CallForward(rule.toVariantMap())), text);
}

void TestAccountPages::smsButtonAndBackCarryTheNumber()
{
    CentralRig &rig = *m_rig;
    rig.widget->setView(ContentWidget::DialPadView, false);
    rig.widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.widget.get()));
    auto *dialPad = rig.child<DialPadPage>("dialPadPage");
    auto *sms = rig.child<SMSPage>("smsPage");
    auto numberField = [](QWidget *page) {
        return page->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    };
    auto click = [&rig](const char *name) {
        auto *button = rig.child<QPushButton>(name);
        QVERIFY2(button->isVisible() && button->isEnabled(), name);
        QTest::mouseClick(button, Qt::LeftButton);
    };

    // A country picked, then the number typed without its prefix.
    const int france = countryTable()->indexOfPrefix(QStringLiteral("33"));
    dialPad->setCurrentCountryIndex(france);
    QTest::mouseClick(numberField(dialPad), Qt::LeftButton);
    QTest::keyClick(numberField(dialPad), Qt::Key_End);
    QTest::keyClicks(numberField(dialPad), QStringLiteral("142685300"));
    QCOMPARE(dialPad->number(), QStringLiteral("33-142685300"));
    click("smsButton");
    QTRY_COMPARE(rig.widget->currentView(), ContentWidget::SmsView);
    QTRY_COMPARE(rig.currentPage(), QStringLiteral("smsPage"));
    QCOMPARE(sms->countryIndex(), france);
    QCOMPARE(sms->number(), QStringLiteral("33-142685300"));

    // Another number on the SMS page goes back with its country.
    QLineEdit *smsNumber = numberField(sms);
    QTest::mouseClick(smsNumber, Qt::LeftButton);
    smsNumber->selectAll();
    QTest::keyClick(smsNumber, Qt::Key_Backspace);
    QTest::keyClicks(smsNumber, QStringLiteral("+4930123456"));
    const int germany = countryTable()->indexOfPrefix(QStringLiteral("49"));
    QCOMPARE(sms->countryIndex(), germany);
    const QString typed = sms->number();
    click("smsTopMenuBackButton");
    QTRY_COMPARE(rig.widget->currentView(), ContentWidget::DialPadView);
    QTRY_COMPARE(rig.currentPage(), QStringLiteral("dialPadPage"));
    QCOMPARE(dialPad->currentCountryIndex(), germany);
    QCOMPARE(dialPad->number(), typed);

    // A country alone, before any digit, goes over and back too.
    const int japan = countryTable()->indexOfPrefix(QStringLiteral("81"));
    dialPad->clearNumber();
    dialPad->setCurrentCountryIndex(japan);
    click("smsButton");
    QTRY_COMPARE(rig.widget->currentView(), ContentWidget::SmsView);
    QCOMPARE(sms->countryIndex(), japan);
    QCOMPARE(sms->number(), dialPad->number());
    click("smsTopMenuBackButton");
    QTRY_COMPARE(rig.widget->currentView(), ContentWidget::DialPadView);
    QCOMPARE(dialPad->currentCountryIndex(), japan);
}

void TestAccountPages::screenshots()
{
    const QDateTime now = QDateTime::currentDateTime();
    control()->add_voicemail("+4930111222", now.addDays(-2).toMSecsSinceEpoch(), 45000);
    control()->add_voicemail("+442079460018", now.addSecs(-3600).toMSecsSinceEpoch(), 12000);
    control()->add_voicemail("+15550100", now.addSecs(-600).toMSecsSinceEpoch(), 8000);
    m_rig->phone.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+442079460555"), now.addDays(30),
                                        QStringLiteral("ACTIVE"));
    m_rig->phone.server.addOnlineNumber(PhoneRig::kUser, QStringLiteral("+4930901820"), now.addDays(-3),
                                        QStringLiteral("EXPIRED"));
    m_rig->phone.server.addCallForward(
        PhoneRig::kUser,
        QJsonObject {{QStringLiteral("number"), QStringLiteral("+442079460123")},
                     {QStringLiteral("forwardOnBusy"), true},
                     {QStringLiteral("forwardOnNoAnswer"), true},
                     {QStringLiteral("ringTimer"), 20}});
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
    QVERIFY(m_rig->phone.logIn());
    QTRY_COMPARE(m_rig->child<QListWidget>("numbersListWidget")->count(), 2);
    QTRY_COMPARE(m_rig->child<QListWidget>("callForwardListWidget")->count(), 2);

    for (const auto &shot : {std::make_pair(ContentWidget::VoicemailView, "voicemail.png"),
                             std::make_pair(ContentWidget::VirtualNumbersView, "virtualnumbers.png"),
                             std::make_pair(ContentWidget::CallForwardView, "callforward.png")}) {
        m_rig->widget->setView(shot.first, false);
        if (shot.first == ContentWidget::VoicemailView) {
            auto *list = m_rig->child<QListView>("voicemailListView");
            const QRect rect = list->visualRect(list->model()->index(1, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              QPoint(rect.left() + 8, rect.center().y()));
        }
        QTest::qWait(100);
        QVERIFY(m_rig->widget->grab().save(UiLook::screenshotPath(QLatin1String(shot.second))));
    }
}

LINKORA_TEST_MAIN(TestAccountPages)
#include "tst_accountpages.moc"
