#include "phone/phonerig.h"
#include "support/testclock.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/call.h"
#include "ui/callswitchdialog.h"
#include "ui/callswitchlistitemwidget.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTime>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// "number|contact|time|state" per row, top to bottom.
QStringList describeRows(const CallSwitchDialog &dialog)
{
    QStringList rows;
    for (int i = 0; i < dialog.rowCount(); ++i) {
        const CallSwitchListItemWidget *row = dialog.rowWidget(i);
        const auto *state = row->findChild<QLabel *>(QStringLiteral("callStateLabel"));
        rows << QStringList {row->number(), row->contactName(), row->timeText(), state->text()}.join(
            QLatin1Char('|'));
    }
    return rows;
}

QListWidget *listOf(const CallSwitchDialog &dialog)
{
    return dialog.findChild<QListWidget *>(QStringLiteral("callsListWidget"));
}

// The dialog's slots are private: the media engine reaches them.
void invoke(CallSwitchDialog &dialog, const char *slot, const talk::Call *call)
{
    QVERIFY(QMetaObject::invokeMethod(&dialog, slot, Q_ARG(const talk::Call *, call)));
}

void focusChange(CallSwitchDialog &dialog, const talk::Call *newCall, const talk::Call *oldCall)
{
    QVERIFY(QMetaObject::invokeMethod(&dialog, "callFocusChanged", Q_ARG(const talk::Call *, newCall),
                                      Q_ARG(const talk::Call *, oldCall)));
}

bool backgroundsSelected(const CallSwitchListItemWidget *row)
{
    return row->findChild<QWidget *>(QStringLiteral("topBackground"))->property("_selected").toBool()
        && row->findChild<QWidget *>(QStringLiteral("bottomBackground"))->property("_selected").toBool();
}

} // namespace

class TestCallSwitching : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rowTime_data();
    void rowTime();
    void rowDefaults();

    void listsTheLiveCallsWithTheirState();
    void followsTheCallsWhileOpen();
    void runningTimeSurvivesHold();
    void focusChangeMarksRows();
    void duplicateRowsAndRemoval();
    void selectionColoursTheRow();
    void closeDeletesTheDialog();

private:
    // Logs in, then: an outgoing call held by the far end, and an answered
    // incoming call that has the focus.
    bool setUpTwoCalls();
    const talk::Call *callTo(const QString &number) const;

    std::unique_ptr<PhoneRig> m_rig;
};

void TestCallSwitching::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestCallSwitching::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<PhoneRig>();
}

void TestCallSwitching::cleanup()
{
    m_rig.reset();
    QCOMPARE(TalkTesting::liveObjects(), QStringLiteral("jid=0 device=0 proxy=0 status=0 list=0 talk=0"));
}

bool TestCallSwitching::setUpTwoCalls()
{
    if (!m_rig->logIn()) {
        qWarning("login failed");
        return false;
    }
    Phone &phone = *m_rig->phone;
    QSignalSpy started(&phone, &Phone::callStarted);
    phone.call(QStringLiteral("4912345"), false);
    if (!started.wait(5000)) {
        qWarning("first call not started");
        return false;
    }
    if (!control()->hold_call(1) || !QTest::qWaitFor([&] { return !phone.calls().first()->isActive(); })) {
        qWarning("not held");
        return false;
    }
    QSignalSpy incoming(&phone, &Phone::incomingCall);
    if (!control()->raise_incoming_call("4930123") || !incoming.wait(5000) || !QTest::qWaitFor([&] {
            return phone.calls().size() == 2 && phone.focusedCall() == phone.calls().at(1);
        })) {
        qWarning("no second call");
        return false;
    }
    started.clear();
    if (!phone.focusedCall()->accept(false) || !started.wait(5000)) {
        qWarning("second not started");
        return false;
    }
    return true;
}

const talk::Call *TestCallSwitching::callTo(const QString &number) const
{
    const auto calls = m_rig->phone->calls();
    for (const talk::Call *call : calls) {
        if (Phone::remoteNumber(call) == number)
            return call;
    }
    return nullptr;
}

void TestCallSwitching::rowTime_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("null") << QTime() << QString();
    QTest::newRow("seconds") << QTime(0, 0, 31) << QStringLiteral("00:31");
    QTest::newRow("minutes") << QTime(0, 12, 5) << QStringLiteral("12:05");
    QTest::newRow("hours") << QTime(1, 23, 51) << QStringLiteral("1:23:51");
    QTest::newRow("many hours") << QTime(13, 0, 0) << QStringLiteral("13:00:00");
}

void TestCallSwitching::rowTime()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    CallSwitchListItemWidget row;
    row.setTime(time);
    QCOMPARE(row.timeText(), text);
}

void TestCallSwitching::rowDefaults()
{
    CallSwitchListItemWidget row;
    QVERIFY(row.isActive());
    QVERIFY(!row.isSelected());
    row.setContactName(QString());
    QCOMPARE(row.contactName(), QStringLiteral("Unknown"));
    row.setContactName(QStringLiteral("Ann Lee"));
    QCOMPARE(row.contactName(), QStringLiteral("Ann Lee"));
    row.setActive(false);
    QVERIFY(!row.isActive());
    QCOMPARE(row.findChild<QLabel *>(QStringLiteral("callStateLabel"))->text(), QStringLiteral("ON HOLD"));
}

void TestCallSwitching::listsTheLiveCallsWithTheirState()
{
    // Without calls the window opens all the same, empty.
    {
        CallSwitchDialog empty(m_rig->phone.get());
        QCOMPARE(empty.rowCount(), 0);
        QCOMPARE(empty.minimumSize(), QSize(350, 210));
        QCOMPARE(empty.windowTitle(), QString());
    }

    QVERIFY(setUpTwoCalls());
    CallSwitchDialog dialog(m_rig->phone.get());
    // In the order Phone lists them; the time of calls that connected before
    // the window opened is unknown and stays empty.
    QCOMPARE(describeRows(dialog),
             (QStringList {QStringLiteral("4912345|Unknown||ON HOLD"),
                           QStringLiteral("4930123|Unknown||ACTIVE")}));
    QCOMPARE(dialog.callAt(0), callTo(QStringLiteral("4912345")));
    QCOMPARE(listOf(dialog)->item(0)->type(), 1100);
    QCOMPARE(listOf(dialog)->item(0)->sizeHint(), QSize(1, 56));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    listOf(dialog)->setCurrentRow(1);
    QVERIFY(dialog.grab().save(UiLook::screenshotPath(QStringLiteral("callswitch.png"))));
}

void TestCallSwitching::followsTheCallsWhileOpen()
{
    TestClock clock;
    QVERIFY(setUpTwoCalls());
    CallSwitchDialog dialog(m_rig->phone.get());
    dialog.show();
    QSignalSpy destroyed(m_rig->phone.get(), &Phone::callInstanceDestroyed);

    // The far end ends the focused call: the focus goes back to the first,
    // whose row turns active, and the ended call's row goes.
    QVERIFY(control()->hangup_remote(plix::HANGUP_SUCCESS));
    QVERIFY(destroyed.wait(5000));
    QTRY_COMPARE(describeRows(dialog), QStringList {QStringLiteral("4912345|Unknown||ACTIVE")});

    // A new call gets a row at the end and the focus.
    QSignalSpy started(m_rig->phone.get(), &Phone::callStarted);
    QVERIFY(control()->raise_incoming_call("4940555"));
    QTRY_COMPARE(dialog.rowCount(), 2);
    QTRY_COMPARE(describeRows(dialog),
                 (QStringList {QStringLiteral("4912345|Unknown||ON HOLD"),
                               QStringLiteral("4940555|Unknown||ACTIVE")}));

    // Once it connects, its running time shows and counts.
    QVERIFY(m_rig->phone->focusedCall()->accept(false));
    QVERIFY(started.wait(5000));
    QCOMPARE(dialog.rowWidget(1)->timeText(), QStringLiteral("00:00"));
    clock.advance(42 * 1000);
    QTRY_COMPARE(dialog.rowWidget(1)->timeText(), QStringLiteral("00:42"));
    QCOMPARE(dialog.rowWidget(0)->timeText(), QString());
}

// Taking a call back from hold starts its progress again; the time it has
// been connected goes on.
void TestCallSwitching::runningTimeSurvivesHold()
{
    TestClock clock;
    QVERIFY(m_rig->logIn());
    CallSwitchDialog dialog(m_rig->phone.get());
    QSignalSpy started(m_rig->phone.get(), &Phone::callStarted);
    m_rig->phone->call(QStringLiteral("4912345"), false);
    QVERIFY(started.wait(5000));
    QCOMPARE(dialog.rowWidget(0)->timeText(), QStringLiteral("00:00"));
    clock.advance(65 * 1000);
    QTRY_COMPARE(dialog.rowWidget(0)->timeText(), QStringLiteral("01:05"));

    QVERIFY(control()->hold_call(1));
    QTRY_VERIFY(!m_rig->phone->calls().first()->isActive());
    clock.advance(20 * 1000);
    QVERIFY(control()->hold_call(0));
    QVERIFY(started.wait(5000));
    QCOMPARE(started.size(), 2);
    // Restarted, it would read 00:30.
    clock.advance(30 * 1000);
    QTRY_COMPARE(dialog.rowWidget(0)->timeText(), QStringLiteral("01:55"));
    // Past the hour the hours lead.
    clock.advance(3600 * 1000);
    QTRY_COMPARE(dialog.rowWidget(0)->timeText(), QStringLiteral("1:01:55"));
}

void TestCallSwitching::focusChangeMarksRows()
{
    QVERIFY(setUpTwoCalls());
    CallSwitchDialog dialog(m_rig->phone.get());
    const talk::Call *held = callTo(QStringLiteral("4912345"));
    const talk::Call *active = callTo(QStringLiteral("4930123"));

    focusChange(dialog, held, active);
    QCOMPARE(describeRows(dialog),
             (QStringList {QStringLiteral("4912345|Unknown||ACTIVE"),
                           QStringLiteral("4930123|Unknown||ON HOLD")}));
    // Without an old call only the new call's row changes.
    focusChange(dialog, active, nullptr);
    QCOMPARE(
        describeRows(dialog),
        (QStringList {QStringLiteral("4912345|Unknown||ACTIVE"), QStringLiteral("4930123|Unknown||ACTIVE")}));
    // Calls without a row change nothing.
    const auto unknown = reinterpret_cast<const talk::Call *>(&dialog);
    focusChange(dialog, unknown, unknown);
    invoke(dialog, "removeCall", unknown);
    invoke(dialog, "removeCall", nullptr);
    QCOMPARE(dialog.rowCount(), 2);
}

void TestCallSwitching::duplicateRowsAndRemoval()
{
    QVERIFY(setUpTwoCalls());
    CallSwitchDialog dialog(m_rig->phone.get());
    const talk::Call *first = callTo(QStringLiteral("4912345"));

    invoke(dialog, "addCall", first);
    QCOMPARE(dialog.rowCount(), 3);
    QCOMPARE(dialog.callAt(2), first);
    // The upper of the two rows goes first.
    invoke(dialog, "removeCall", first);
    QCOMPARE(dialog.rowCount(), 2);
    QCOMPARE(dialog.callAt(0), callTo(QStringLiteral("4930123")));
    QCOMPARE(dialog.callAt(1), first);
}

void TestCallSwitching::selectionColoursTheRow()
{
    QVERIFY(setUpTwoCalls());
    CallSwitchDialog dialog(m_rig->phone.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListWidget *list = listOf(dialog);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(0)).center());
    QVERIFY(backgroundsSelected(dialog.rowWidget(0)));
    QVERIFY(!backgroundsSelected(dialog.rowWidget(1)));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(1)).center());
    QVERIFY(!backgroundsSelected(dialog.rowWidget(0)));
    QVERIFY(backgroundsSelected(dialog.rowWidget(1)));
    // The look follows: the selected row's top is tinted, the other's is white.
    const QImage image = dialog.grab().toImage();
    const QPoint selectedTop = dialog.rowWidget(1)->mapTo(&dialog, QPoint(3, 3));
    const QPoint plainTop = dialog.rowWidget(0)->mapTo(&dialog, QPoint(3, 3));
    QCOMPARE(QColor(image.pixel(selectedTop)), QColor(QStringLiteral("#e4f4f7")));
    QCOMPARE(QColor(image.pixel(plainTop)), QColor(Qt::white));
}

void TestCallSwitching::closeDeletesTheDialog()
{
    // Opened the way the SWAP button opens it.
    QPointer<CallSwitchDialog> dialog = new CallSwitchDialog(m_rig->phone.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QSignalSpy destroyed(dialog.data(), &QObject::destroyed);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(destroyed.size(), 1);
}

LINKORA_TEST_MAIN(TestCallSwitching)
#include "tst_callswitching.moc"
