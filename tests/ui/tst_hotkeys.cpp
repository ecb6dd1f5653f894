#include "centralrig.h"

#include "support/testenvironment.h"
#include "ui/dialpadpage.h"
#include "ui/menubutton.h"

#include <QLineEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shortcutsFollowTheSettings();
    void placeCallKeysCallOnlyFromTheDialPad_data();
    void placeCallKeysCallOnlyFromTheDialPad();
    void twinOfThePlaceCallKey();
    void volumeKeysOpenTheirPanelAndStep_data();
    void volumeKeysOpenTheirPanelAndStep();
    void groupsKeyWorksOnlyInTheContactList();
    void cancelKeyHangsUpInEveryView();
    void switchedOffKeyStaysOff();

private:
    QList<QShortcut *> shortcuts() const { return m_rig->widget->findChildren<QShortcut *>(); }
    DialPadPage *dialPad() const { return m_rig->child<DialPadPage>("dialPadPage"); }
    // A key press as the user makes it: to the widget that holds the
    // keyboard, else to the window.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : m_rig->widget.get(), Qt::Key(key), modifiers);
    }
    bool callPlaced(QSignalSpy &connecting) { return connecting.wait(1000); }

    int m_case = 0;
    std::unique_ptr<CentralRig> m_rig;
};

void TestHotKeys::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
}

void TestHotKeys::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_rig = std::make_unique<CentralRig>(QStringLiteral("hotkeys%1.px").arg(++m_case));
    m_rig->widget->setView(ContentWidget::DialPadView, false);
    m_rig->widget->show();
    QVERIFY(QTest::qWaitForWindowActive(m_rig->widget.get()));
}

void TestHotKeys::cleanup()
{
    m_rig.reset();
}

void TestHotKeys::shortcutsFollowTheSettings()
{
    const QList<QShortcut *> keys = shortcuts();
    QCOMPARE(keys.size(), 8);
    QStringList texts;
    QList<bool> repeats;
    for (const QShortcut *key : keys) {
        QCOMPARE(key->context(), Qt::ApplicationShortcut);
        texts << key->key().toString(QKeySequence::PortableText);
        repeats << key->autoRepeat();
    }
    QCOMPARE(texts,
             (QStringList {"Enter", "Return", "Esc", "Ctrl+Right", "Ctrl+Left", "Alt+Right", "Alt+Left",
                           "Ctrl+H"}));
    QCOMPARE(repeats, (QList<bool> {false, false, false, true, true, true, true, false}));

    m_rig->settings->setCancelCallHotkey(QStringLiteral("F8"));
    m_rig->settings->setShowHideGroupsHotkey(QStringLiteral("Ctrl+G"));
    m_rig->widget->configureHotKeys();
    QCOMPARE(keys.at(2)->key(), QKeySequence(Qt::Key_F8));
    QCOMPARE(keys.at(7)->key(), QKeySequence(Qt::CTRL | Qt::Key_G));
}

void TestHotKeys::placeCallKeysCallOnlyFromTheDialPad_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("main Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("key-pad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestHotKeys::placeCallKeysCallOnlyFromTheDialPad()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QVERIFY(m_rig->phone.logIn());
    QTRY_VERIFY(m_rig->phone.phone->balance().credit() > 0);
    control()->set_call_outcome(PLIX_STANDIN_RING);
    dialPad()->setNumber(QStringLiteral("4912345"));
    QSignalSpy connecting(m_rig->phone.phone.get(), &Phone::connecting);

    for (const ContentWidget::View view :
         {ContentWidget::SmsView, ContentWidget::CallHistoryView, ContentWidget::VoicemailView}) {
        m_rig->widget->setView(view, false);
        press(key, Qt::KeyboardModifiers(modifiers));
        QVERIFY2(!callPlaced(connecting), qPrintable(QStringLiteral("called from view %1").arg(view)));
    }

    m_rig->widget->setView(ContentWidget::DialPadView, false);
    press(key, Qt::KeyboardModifiers(modifiers));
    QVERIFY(callPlaced(connecting));
    QCOMPARE(QString::fromUtf8(control()->last_callee()).section(QLatin1Char('@'), 0, 0),
             QStringLiteral("+4912345"));
    QVERIFY(m_rig->prompts.texts().isEmpty());
}

void TestHotKeys::twinOfThePlaceCallKey()
{
    QShortcut *twin = shortcuts().at(1);
    m_rig->settings->setPlaceCallHotkey(QStringLiteral("Return"));
    m_rig->widget->configureHotKeys();
    QCOMPARE(shortcuts().at(0)->key(), QKeySequence(Qt::Key_Return));
    QCOMPARE(twin->key(), QKeySequence(Qt::Key_Enter));
    QVERIFY(twin->isEnabled());

    // Another key has no twin until the next switch to the dial pad, which
    // brings back the last one.
    m_rig->settings->setPlaceCallHotkey(QStringLiteral("F5"));
    m_rig->widget->configureHotKeys();
    QCOMPARE(shortcuts().at(0)->key(), QKeySequence(Qt::Key_F5));
    QVERIFY(!twin->isEnabled());
    m_rig->widget->setView(ContentWidget::ContactListView, false);
    QVERIFY(!twin->isEnabled());
    m_rig->widget->setView(ContentWidget::DialPadView, false);
    QVERIFY(twin->isEnabled());
    QCOMPARE(twin->key(), QKeySequence(Qt::Key_Enter));
}

void TestHotKeys::volumeKeysOpenTheirPanelAndStep_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<bool>("speaker");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("view");
    const int sms = ContentWidget::SmsView;
    const int dialPad = ContentWidget::DialPadView;
    QTest::newRow("speaker up") << int(Qt::Key_Right) << int(Qt::ControlModifier) << true << 1 << sms;
    QTest::newRow("speaker down") << int(Qt::Key_Left) << int(Qt::ControlModifier) << true << -1 << sms;
    QTest::newRow("microphone up") << int(Qt::Key_Right) << int(Qt::AltModifier) << false << 1 << sms;
    QTest::newRow("microphone down") << int(Qt::Key_Left) << int(Qt::AltModifier) << false << -1 << sms;
    // The dial pad gives its number field the keyboard, whose word moves
    // are these keys too.
    QTest::newRow("speaker up, number field")
        << int(Qt::Key_Right) << int(Qt::ControlModifier) << true << 1 << dialPad;
    QTest::newRow("speaker down, number field")
        << int(Qt::Key_Left) << int(Qt::ControlModifier) << true << -1 << dialPad;
}

void TestHotKeys::volumeKeysOpenTheirPanelAndStep()
{
    QFETCH(int, key);
    QFETCH(int, modifier);
    QFETCH(bool, speaker);
    QFETCH(int, step);
    QFETCH(int, view);
    auto *vol = m_rig->child<MenuButton>("volTopMenuButton");
    auto *mic = m_rig->child<MenuButton>("micTopMenuButton");
    auto *slider = dialPad()->findChild<QSlider *>(QStringLiteral("volumeSlider"));
    auto *panel = dialPad()->findChild<QWidget *>(QStringLiteral("volumePanel"));
    QSignalSpy speakerLevel(dialPad(), &DialPadPage::speakerVolumeChanged);
    QSignalSpy micLevel(dialPad(), &DialPadPage::micVolumeChanged);

    // In any view, not only on the dial pad.
    m_rig->widget->setView(ContentWidget::View(view), false);
    if (view == ContentWidget::DialPadView)
        QCOMPARE(QApplication::focusWidget(),
                 dialPad()->findChild<QLineEdit *>(QStringLiteral("numberLineEdit")));
    press(key, Qt::KeyboardModifiers(modifier));
    QCOMPARE(vol->isSelected(), speaker);
    QCOMPARE(mic->isSelected(), !speaker);
    QVERIFY(!panel->isHidden());
    const int start = 25;
    QCOMPARE(slider->value(), start + step * slider->pageStep());
    QSignalSpy &levels = speaker ? speakerLevel : micLevel;
    QCOMPARE(levels.last().first().toInt(), slider->value());
    QVERIFY((speaker ? micLevel : speakerLevel).isEmpty());
}

void TestHotKeys::groupsKeyWorksOnlyInTheContactList()
{
    auto *groups = m_rig->child<MenuButton>("viewGroupsTopMenuButton");
    QVERIFY(groups->isSelected());
    press(Qt::Key_H, Qt::ControlModifier);
    QVERIFY(groups->isSelected());

    m_rig->widget->setView(ContentWidget::ContactListView, false);
    press(Qt::Key_H, Qt::ControlModifier);
    QVERIFY(!groups->isSelected());
    press(Qt::Key_H, Qt::ControlModifier);
    QVERIFY(groups->isSelected());

    m_rig->widget->setView(ContentWidget::ContactDetailsView, false);
    press(Qt::Key_H, Qt::ControlModifier);
    QVERIFY(groups->isSelected());
}

void TestHotKeys::cancelKeyHangsUpInEveryView()
{
    QVERIFY(m_rig->phone.logIn());
    Phone *phone = m_rig->phone.phone.get();
    QSignalSpy started(phone, &Phone::callStarted);
    QSignalSpy gone(phone, &Phone::callInstanceDestroyed);
    for (const ContentWidget::View view :
         {ContentWidget::DialPadView, ContentWidget::ContactListView, ContentWidget::VirtualNumbersView}) {
        m_rig->widget->setView(ContentWidget::SmsView, false);
        phone->call(QStringLiteral("4912345"), false);
        QVERIFY(started.wait(5000));
        m_rig->widget->setView(view, false);
        const int ended = gone.size();
        press(Qt::Key_Escape);
        QVERIFY2(gone.wait(5000) || gone.size() > ended, qPrintable(QStringLiteral("view %1").arg(view)));
        QTRY_VERIFY(phone->calls().isEmpty());
    }
}

void TestHotKeys::switchedOffKeyStaysOff()
{
    m_rig->settings->setShowHideGroupsHotkeyEnabled(false);
    m_rig->settings->setIncreaseSpeakerVolHotkeyEnabled(false);
    m_rig->widget->configureHotKeys();
    auto *vol = m_rig->child<MenuButton>("volTopMenuButton");
    auto *groups = m_rig->child<MenuButton>("viewGroupsTopMenuButton");
    for (const ContentWidget::View view :
         {ContentWidget::ContactListView, ContentWidget::DialPadView, ContentWidget::ContactListView}) {
        m_rig->widget->setView(view, false);
        press(Qt::Key_H, Qt::ControlModifier);
        press(Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(groups->isSelected());
        QVERIFY(!vol->isSelected());
    }
}

LINKORA_TEST_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"
