#include "centralrig.h"
#include "mainwindowrig.h"

#include "support/testenvironment.h"
#include "support/uilook.h"
#include "talk/call.h"
#include "ui/dialpadpage.h"
#include "ui/incomingcalldialog.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

} // namespace

class TestSlide : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void slideMovesTheNewViewInAndTidiesUp();
    void switchDuringASlideLeavesNoPictureBehind_data();
    void switchDuringASlideLeavesNoPictureBehind();
    void liveStripDuringACall();
    void glossSweepsAndWraps();
    void liveStripNamesTheWholeNumber_data();
    void liveStripNamesTheWholeNumber();

private:
    QLabel *label(const char *name) const { return m_rig->child<QLabel>(name); }
    QList<QLabel *> overlays() const
    {
        return {label("contentAnimationBackground"), label("outgoingSlideSnapshot"),
                label("incomingSlideSnapshot")};
    }
    bool overlaysHidden() const
    {
        for (const QLabel *overlay : overlays()) {
            if (overlay && overlay->isVisible())
                return false;
        }
        return true;
    }

    int m_case = 0;
    std::unique_ptr<CentralRig> m_rig;
};

void TestSlide::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
}

void TestSlide::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<CentralRig>(QStringLiteral("slide%1.px").arg(++m_case));
    m_rig->widget->setView(ContentWidget::DialPadView, false);
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_rig->widget.get()));
}

void TestSlide::cleanup()
{
    m_rig.reset();
}

void TestSlide::slideMovesTheNewViewInAndTidiesUp()
{
    QVERIFY(!label("contentAnimationBackground"));
    m_rig->widget->setView(ContentWidget::ContactListView, true);
    QLabel *background = label("contentAnimationBackground");
    QLabel *outgoing = label("outgoingSlideSnapshot");
    QLabel *incoming = label("incomingSlideSnapshot");
    QVERIFY(background && outgoing && incoming);
    QVERIFY(background->isVisible() && outgoing->isVisible() && incoming->isVisible());
    // The pages are switched underneath at once.
    QCOMPARE(m_rig->currentPage(), QStringLiteral("contactListPage"));
    // The new picture starts one picture height below its place.
    QCOMPARE(incoming->pos(), QPoint(0, incoming->height()));
    QVERIFY(incoming->height() > 0);
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(outgoing->graphicsEffect());
    QVERIFY(fade);
    QCOMPARE(fade->opacity(), 1.0);

    QTRY_VERIFY(overlaysHidden());
    QCOMPARE(incoming->pos(), QPoint(0, 0));
    QCOMPARE(fade->opacity(), 0.3);

    // The next slide reuses them.
    m_rig->widget->setView(ContentWidget::DialPadView, true);
    QCOMPARE(overlays(), (QList<QLabel *> {background, outgoing, incoming}));
    QCOMPARE(m_rig->widget->findChildren<QLabel *>(QStringLiteral("contentAnimationBackground")).size(), 1);
    QVERIFY(incoming->isVisible());
    QTRY_VERIFY(overlaysHidden());

    // The question page never slides.
    m_rig->widget->setView(ContentWidget::QueryUserView, true);
    QVERIFY(overlaysHidden());
}

void TestSlide::switchDuringASlideLeavesNoPictureBehind_data()
{
    QTest::addColumn<bool>("animated");
    QTest::newRow("plain switch") << false;
    QTest::newRow("sliding switch") << true;
}

void TestSlide::switchDuringASlideLeavesNoPictureBehind()
{
    QFETCH(bool, animated);
    m_rig->widget->setView(ContentWidget::ContactListView, true);
    // Held halfway through, however slowly the test runs.
    auto *slide = m_rig->widget->findChild<QParallelAnimationGroup *>();
    QVERIFY(slide);
    slide->pause();
    slide->setCurrentTime(slide->duration() / 2);
    QVERIFY(!overlaysHidden());
    QVERIFY(label("incomingSlideSnapshot")->y() > 0);
    QVERIFY(label("incomingSlideSnapshot")->y() < label("incomingSlideSnapshot")->height());
    // A lost connection sends the user to the login page mid-slide.
    m_rig->widget->setView(ContentWidget::LoginView, animated);
    QCOMPARE(m_rig->currentPage(), QStringLiteral("loginPage"));
    if (!animated) {
        QVERIFY(overlaysHidden());
    } else {
        QVERIFY(label("incomingSlideSnapshot")->isVisible());
        QCOMPARE(label("incomingSlideSnapshot")->pos().y(), label("incomingSlideSnapshot")->height());
        QTRY_VERIFY(overlaysHidden());
    }
    // The login form takes clicks again.
    auto *loginButton = m_rig->child<QPushButton>("loginButton");
    QCOMPARE(m_rig->widget->childAt(loginButton->mapTo(m_rig->widget.get(), loginButton->rect().center())),
             loginButton);
}

void TestSlide::liveStripDuringACall()
{
    QVERIFY(m_rig->phone.logIn());
    auto *panel = m_rig->child<QWidget>("liveConversationPanel");
    DialPadPage *dialPad = m_rig->child<DialPadPage>("dialPadPage");
    dialPad->setNumber(QStringLiteral("4912345"));

    // An answered incoming call: the strip names its caller, not the number
    // left in the entry.
    QSignalSpy incoming(m_rig->phone.phone.get(), &Phone::incomingCall);
    QSignalSpy info(dialPad, &DialPadPage::callInfoChanged);
    QVERIFY(control()->raise_incoming_call("4930123"));
    QVERIFY(incoming.wait(5000));
    m_rig->widget->findChild<IncomingCallDialog *>()->onAcceptCall();
    QVERIFY(info.wait());
    QVERIFY(!info.last().first().toString().isEmpty());
    QVERIFY(panel->isHidden());

    m_rig->widget->setView(ContentWidget::ContactListView, false);
    QVERIFY(panel->isVisible());
    QCOMPARE(m_rig->child<QLabel>("numberLabel")->text(), QStringLiteral("4930123"));
    QLabel *gloss = label("glossLiveConversationLabel");
    QVERIFY(gloss && gloss->isVisible());
    QVERIFY(info.wait());
    QCOMPARE(m_rig->child<QLabel>("timeLabel")->text(), info.last().first().toString());

    // A press on it slides back to the dial pad.
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(m_rig->widget->currentView(), ContentWidget::DialPadView);
    QVERIFY(panel->isHidden());
    QVERIFY(!gloss->isVisible());

    // The end of the call removes the gloss.
    m_rig->widget->setView(ContentWidget::SmsView, false);
    QVERIFY(panel->isVisible());
    m_rig->phone.phone->hangup();
    QTRY_VERIFY(!label("glossLiveConversationLabel"));
    QVERIFY(panel->isHidden());
}

void TestSlide::glossSweepsAndWraps()
{
    m_rig->widget->setView(ContentWidget::SmsView, false);
    m_rig->widget->setCallInfo(QStringLiteral("00:00:01"));
    auto *panel = m_rig->child<QWidget>("liveConversationPanel");
    QLabel *gloss = label("glossLiveConversationLabel");
    QVERIFY(gloss && panel->isVisible());
    QCOMPARE(gloss->y(), 0);
    const int start = gloss->x();
    QTRY_VERIFY(gloss->x() >= start + 20);

    gloss->move(panel->width() - 45, 0);
    QVERIFY(QMetaObject::invokeMethod(m_rig->widget.get(), "onGlossAnimation"));
    QCOMPARE(gloss->x(), 40 - gloss->width());
    QVERIFY(QMetaObject::invokeMethod(m_rig->widget.get(), "onGlossAnimation"));
    QCOMPARE(gloss->x(), 50 - gloss->width());

    m_rig->widget->setCallInfo(QString());
    QVERIFY(!label("glossLiveConversationLabel"));
    QVERIFY(panel->isHidden());
}

void TestSlide::liveStripNamesTheWholeNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("a mobile number") << "+4915112345678";
    // Fifteen digits, the most a telephone number has.
    QTest::newRow("the longest number") << "+491511234567890";
    QTest::newRow("a short number") << "+4930123";
}

// In the window as it is, the strip over the other pages names the callee
// whole, the caption making room: cut with an ellipsis, its whole text in
// the tooltip.
void TestSlide::liveStripNamesTheWholeNumber()
{
    QFETCH(QString, number);
    m_rig.reset();
    UiLook::install();
    const auto plainLook = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    UiTesting::PromptRecorder prompts;
    MainWindowRig client(QStringLiteral("slide-window%1.px").arg(++m_case));
    client.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(client.window.get()));
    ContentWidget *content = client.content();
    QCOMPARE(content->size(), UiLook::centralAreaSize());
    content->setView(ContentWidget::DialPadView, false);
    DialPadPage *dialPad = client.child<DialPadPage>("dialPadPage");
    dialPad->setNumber(number);
    content->setCallInfo(QStringLiteral("00:00:05"));
    content->setView(ContentWidget::SmsView, false);
    auto *panel = client.child<QWidget>("liveConversationPanel");
    QTRY_VERIFY(panel->isVisible());

    auto *callee = client.child<QLabel>("numberLabel");
    QCOMPARE(callee->text(), dialPad->number());
    auto *caption = client.child<QLabel>("conversationLabel");
    for (QLabel *label : {caption, callee, client.child<QLabel>("timeLabel")}) {
        const QString name = label->objectName();
        QVERIFY2(UiLook::liesInside(label, panel), qPrintable(name));
        QVERIFY2(UiLook::textFits(label), qPrintable(name + QLatin1Char(' ') + label->text()));
    }
    QVERIFY(QRect(callee->mapTo(panel, QPoint()), callee->size()).intersected(caption->geometry()).isEmpty());
    if (caption->text() != QLatin1String("conversation")) {
        QVERIFY2(caption->text().endsWith(QChar(0x2026)), qPrintable(caption->text()));
        QCOMPARE(UiLook::shownToolTip(caption), QStringLiteral("conversation"));
    }
    QVERIFY(client.window->grab().save(UiLook::screenshotPath(
        QStringLiteral("live-strip-%1.png").arg(QTest::currentDataTag()).replace(' ', '-'))));
    content->setCallInfo(QString());
}

LINKORA_TEST_MAIN(TestSlide)
#include "tst_slide.moc"
