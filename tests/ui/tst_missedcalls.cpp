#include "objfactory.h"
#include "rest/contact.h"
#include "rest/group.h"
#include "rest/phonenumber.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/contactmanager.h"
#include "ui/missedcallsdialog.h"
#include "ui/missedcallwidget.h"
#include "util/trace.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QString labelText(const QWidget *parent, const char *name)
{
    const auto *label = parent->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

bool labelShown(const QWidget *parent, const char *name)
{
    const auto *label = parent->findChild<QLabel *>(QLatin1String(name));
    return label && !label->isHidden();
}

// "count|number|name" per row, name empty when its label is hidden.
QStringList describeRows(const MissedCallsDialog &dialog)
{
    QStringList rows;
    for (const MissedCallWidget *row : dialog.rows()) {
        rows << QStringList {labelText(row, "countLabel"), labelText(row, "numberLabel"),
                             labelShown(row, "nameLabel") ? labelText(row, "nameLabel") : QString()}
                    .join(QLatin1Char('|'));
    }
    return rows;
}

QPushButton *button(const QWidget *parent, const char *name)
{
    return parent->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestMissedCalls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void rowsPerNumber_data();
    void rowsPerNumber();
    void refillReplacesRows();
    void rowButtonsHandOnTheNumber();
    void okAndCloseEndTheDialog();
    void refillWhileARowIsEmittingKeepsItAlive();
    void dragMovesThePopup();
    void screenshot();
};

void TestMissedCalls::initTestCase()
{
    UiLook::install();
    ContactManager *contacts = ObjFactory::instance()->contactManager();
    QVERIFY(contacts);
    Group friends;
    friends.setName(QStringLiteral("Friends"));
    contacts->setGroups({friends});
    Contact ann;
    ann.setNick(QStringLiteral("ann"));
    ann.setFirstName(QStringLiteral("Ann"));
    ann.setLastName(QStringLiteral("Lee"));
    ann.setGroupName(QStringLiteral("Friends"));
    PhoneNumber phone;
    phone.setNumber(QStringLiteral("+44 20 7946 0018"));
    ann.setPhones({phone});
    contacts->setContacts({ann});
    QVERIFY(contacts->contactByPhoneNumber(QStringLiteral("442079460018")));
}

void TestMissedCalls::rowsPerNumber_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("rows");

    const QString one = QStringLiteral("You have one missed call:");
    const QString several = QStringLiteral("You have the following missed calls:");
    QTest::newRow("one call, no contact") << QStringList {QStringLiteral("+331234")} << one
                                          << QStringList {QStringLiteral("1 call from|+331234|")};
    QTest::newRow("three calls from one number")
        << QStringList {QStringLiteral("+331234"), QStringLiteral("+331234"), QStringLiteral("+331234")}
        << several << QStringList {QStringLiteral("3 calls from|+331234|")};
    // Ordered by the number's text, not by arrival.
    QTest::newRow("two numbers") << QStringList {QStringLiteral("+4420"), QStringLiteral("+331")} << several
                                 << QStringList {QStringLiteral("1 call from|+331|"),
                                                 QStringLiteral("1 call from|+4420|")};
    QTest::newRow("contact") << QStringList {QStringLiteral("442079460018")} << one
                             << QStringList {QStringLiteral("1 call from|442079460018|(Ann Lee)")};
    QTest::newRow("no calls") << QStringList() << several << QStringList();
}

void TestMissedCalls::rowsPerNumber()
{
    QFETCH(QStringList, numbers);
    QFETCH(QString, heading);
    QFETCH(QStringList, rows);

    MissedCallsDialog dialog;
    dialog.setMissedCallsNumbers(numbers);
    QCOMPARE(labelText(&dialog, "messageLabel"), heading);
    QCOMPARE(describeRows(dialog), rows);
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog.windowFlags() & Qt::Tool);
}

void TestMissedCalls::refillReplacesRows()
{
    MissedCallsDialog dialog;
    dialog.show();
    dialog.setMissedCallsNumbers({QStringLiteral("+331"), QStringLiteral("+4420"), QStringLiteral("+4420")});
    QCOMPARE(dialog.rows().size(), 2);
    const int twoRowsHeight = dialog.height();
    const QPointer<MissedCallWidget> old = dialog.rows().first();

    dialog.setMissedCallsNumbers(
        {QStringLiteral("+331"), QStringLiteral("+4420"), QStringLiteral("+4420"), QStringLiteral("+4999")});
    QCOMPARE(describeRows(dialog),
             (QStringList {QStringLiteral("1 call from|+331|"), QStringLiteral("2 calls from|+4420|"),
                           QStringLiteral("1 call from|+4999|")}));
    // The old rows are out of sight at once and gone once the loop runs.
    QVERIFY(old);
    QVERIFY(old->isHidden());
    QTRY_VERIFY(old.isNull());
    QCOMPARE(dialog.findChildren<MissedCallWidget *>().size(), 3);
    // The pop-up grows and shrinks with its rows.
    QVERIFY(dialog.height() > twoRowsHeight);
    dialog.setMissedCallsNumbers({QStringLiteral("+331"), QStringLiteral("+4420")});
    QCOMPARE(dialog.height(), twoRowsHeight);
}

void TestMissedCalls::rowButtonsHandOnTheNumber()
{
    MissedCallsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setMissedCallsNumbers({QStringLiteral("+331"), QStringLiteral("+4420")});
    QSignalSpy calls(&dialog, &MissedCallsDialog::callNumber);
    QSignalSpy sms(&dialog, &MissedCallsDialog::sendSMSToNumber);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);

    QTest::mouseClick(button(dialog.rows().at(1), "callNumberButton"), Qt::LeftButton);
    QTest::mouseClick(button(dialog.rows().at(0), "sendSMSButton"), Qt::LeftButton);

    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().first().toString(), QStringLiteral("+4420"));
    QCOMPARE(sms.size(), 1);
    QCOMPARE(sms.first().first().toString(), QStringLiteral("+331"));
    // The owner decides what happens to the pop-up.
    QVERIFY(dialog.isVisible());
    QCOMPARE(accepted.size() + rejected.size(), 0);
}

void TestMissedCalls::okAndCloseEndTheDialog()
{
    MissedCallsDialog dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.setMissedCallsNumbers({QStringLiteral("+331")});

    dialog.show();
    QTest::mouseClick(button(&dialog, "okButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(accepted.size(), 1);

    dialog.show();
    QTest::mouseClick(button(&dialog, "closeButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rejected.size(), 1);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rejected.size(), 2);
}

// Calling back runs the dial pad's checks, whose message box runs its own
// event loop; another caller giving up meanwhile refills the pop-up while
// the clicked row is still on the call stack.
void TestMissedCalls::refillWhileARowIsEmittingKeepsItAlive()
{
    MissedCallsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setMissedCallsNumbers({QStringLiteral("+331"), QStringLiteral("+4420")});
    const QPointer<MissedCallWidget> clicked = dialog.rows().first();

    bool aliveAfterRefill = false;
    bool hiddenAfterRefill = false;
    connect(&dialog, &MissedCallsDialog::callNumber, this, [&](const QString &) {
        QEventLoop modalBox;
        QTimer::singleShot(0, &dialog, [&] {
            dialog.setMissedCallsNumbers(
                {QStringLiteral("+331"), QStringLiteral("+4420"), QStringLiteral("+4999")});
            QTimer::singleShot(0, &modalBox, [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                aliveAfterRefill = !clicked.isNull();
                hiddenAfterRefill = clicked && clicked->isHidden();
                modalBox.quit();
            });
        });
        modalBox.exec();
    });

    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("Emitting call signal.*")
                                            + QRegularExpression::escape(Trace::tag("+331"))));
    QTest::mouseClick(button(clicked, "callNumberButton"), Qt::LeftButton);

    QVERIFY(aliveAfterRefill);
    QVERIFY(hiddenAfterRefill);
    QCOMPARE(describeRows(dialog).size(), 3);
    QTRY_VERIFY(clicked.isNull());
    QCOMPARE(dialog.findChildren<MissedCallWidget *>().size(), 3);
}

void TestMissedCalls::dragMovesThePopup()
{
    MissedCallsDialog dialog;
    dialog.setMissedCallsNumbers({QStringLiteral("+331")});
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint grip(dialog.width() / 2, 6);
    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 20)),
                     QPointF(dialog.mapToGlobal(grip + QPoint(30, 20))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&dialog, &move);
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, grip + QPoint(30, 20));
    QTRY_COMPARE(dialog.pos(), start + QPoint(30, 20));
}

void TestMissedCalls::screenshot()
{
    MissedCallsDialog dialog;
    dialog.setMissedCallsNumbers(
        {QStringLiteral("442079460018"), QStringLiteral("+33142685300"), QStringLiteral("+33142685300")});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage image = dialog.grab().toImage();
    QVERIFY(image.save(UiLook::screenshotPath(QStringLiteral("missedcalls.png"))));
    // The translucent corner stays see-through around the painted pop-up.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);

    MissedCallsDialog single;
    single.setMissedCallsNumbers({QStringLiteral("+4915112345678")});
    single.show();
    QVERIFY(QTest::qWaitForWindowExposed(&single));
    QVERIFY(single.grab().save(UiLook::screenshotPath(QStringLiteral("missedcall-one.png"))));
}

LINKORA_TEST_MAIN(TestMissedCalls)
#include "tst_missedcalls.moc"
