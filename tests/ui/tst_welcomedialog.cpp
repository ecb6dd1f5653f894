#include "objfactory.h"
#include "settings/dbstore.h"
#include "settings/settings.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "talk/device.h"
#include "talk/mediaengine.h"
#include "ui/welcomedialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

using talk::Device;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString screenshotPath(const QString &name)
{
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + name);
}

QString currentDevice(plix::MEDIA_DEVICE_TYPE type)
{
    return QString::fromUtf8(control()->current_device(type));
}

QStringList filesPlayed()
{
    return QString::fromUtf8(control()->files_played()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

template<typename T>
T *child(const QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QString::fromLatin1(name));
}

QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// What one panel shows: "<page> <yes/no shown> <text of the hint page>".
QString speakerPanel(const WelcomeDialog &dialog)
{
    const auto *stack = child<QStackedWidget>(dialog, "speakerStackedWidget");
    return QStringLiteral("%1 %2 %3")
        .arg(stack->currentWidget()->objectName())
        .arg(child<QWidget>(dialog, "speakersYesNo")->isVisible() ? QStringLiteral("asks")
                                                                  : QStringLiteral("-"))
        .arg(child<QTextBrowser>(dialog, "speakerSuggestionText")->toPlainText().simplified());
}

QString micPanel(const WelcomeDialog &dialog)
{
    const auto *stack = child<QStackedWidget>(dialog, "micStackedWidget");
    return QStringLiteral("%1 %2 %3")
        .arg(stack->currentWidget()->objectName())
        .arg(child<QWidget>(dialog, "micYesNo")->isVisible() ? QStringLiteral("asks") : QStringLiteral("-"))
        .arg(child<QTextBrowser>(dialog, "micSuggestionText")->toPlainText().simplified());
}

void click(const WelcomeDialog &dialog, const char *button)
{
    child<QPushButton>(dialog, button)->click();
}

} // namespace

class TestWelcomeDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunTakesTheEngineDevices();
    void savedDevicesAreHandedToTheEngine_data();
    void savedDevicesAreHandedToTheEngine();
    void savedDeviceGoneOrRefused();
    void engineWithoutMicrophones();
    void engineNotInitialised();
    void userPicksADevice();
    void speakerCheck();
    void microphoneCheck();
    void levelBars();
    void saveStoresAndCloseStoresNothing();
    void deviceListChanges();
    void missingTestSoundPlaysNothing();
    void textKeepsClearOfTheEdges();
    void screenshot();

private:
    WelcomeDialog *showDialog();

    Settings *m_settings = nullptr;
    std::unique_ptr<talk::PlixTalk> m_talk;
    talk::MediaEngine *m_engine = nullptr;
    std::unique_ptr<WelcomeDialog> m_dialog;
};

void TestWelcomeDialog::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    TalkTesting::useStandIn();
    m_settings = ObjFactory::instance()->settings();

    const QStringList fonts = QString::fromUtf8(readResource(QStringLiteral(":/fonts/index.txt")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : fonts)
        QFontDatabase::addApplicationFontFromData(readResource(path));
    qApp->setStyleSheet(QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")))
                        + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css"))));
}

void TestWelcomeDialog::init()
{
    control()->reset();
    m_settings->setShowWelcome(true);
    m_settings->setAudioInputDevice(Device());
    m_settings->setAudioOutputDevice(Device());
    m_settings->setAudioOutputVolume(25);

    m_talk = std::make_unique<talk::PlixTalk>();
    QSignalSpy completed(m_talk.get(), &talk::PlixTalk::loginCompleted);
    m_talk->login(QStringLiteral("bob@talk.example"), QStringLiteral("secret"), true);
    QTRY_COMPARE(completed.count(), 1);
    m_engine = m_talk->mediaEngine();
    QVERIFY(m_engine);
    QVERIFY(m_engine->setSpeakerVolume(100));
}

void TestWelcomeDialog::cleanup()
{
    m_dialog.reset();
    m_engine = nullptr;
    m_talk.reset();
}

WelcomeDialog *TestWelcomeDialog::showDialog()
{
    m_dialog = std::make_unique<WelcomeDialog>(m_engine);
    m_dialog->show();
    if (!QTest::qWaitForWindowExposed(m_dialog.get()))
        return nullptr;
    return m_dialog.get();
}

void TestWelcomeDialog::firstRunTakesTheEngineDevices()
{
    QSignalSpy engineChanges(m_engine, &talk::MediaEngine::currentDeviceChanged);
    WelcomeDialog dialog(m_engine);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Welcome"));

    const auto *mics = child<QComboBox>(dialog, "microphoneDeviceCombo");
    const auto *speakers = child<QComboBox>(dialog, "speakerDeviceCombo");
    QCOMPARE(itemsOf(mics), (QStringList {"Built-in Microphone", "USB Headset (1)", "USB Headset (2)"}));
    QCOMPARE(itemsOf(speakers), (QStringList {"Built-in Speakers", "USB Headset (1)", "USB Headset (2)"}));
    QCOMPARE(mics->currentIndex(), 0);
    QCOMPARE(speakers->currentIndex(), 0);
    QVERIFY(child<QCheckBox>(dialog, "showOnStartupCheckBox")->isChecked());

    // Nothing was handed over: no change and the speaker volume as it was.
    QTest::qWait(50);
    QCOMPARE(engineChanges.count(), 0);
    QCOMPARE(control()->speaker_volume(), 100);

    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_settings->audioInputDevice().id(), QStringLiteral("mic-builtin"));
    QCOMPARE(m_settings->audioOutputDevice().id(), QStringLiteral("spk-builtin"));
}

void TestWelcomeDialog::savedDevicesAreHandedToTheEngine_data()
{
    QTest::addColumn<int>("savedVolume");
    QTest::addColumn<int>("appliedVolume");
    QTest::newRow("saved volume") << 40 << 40;
    QTest::newRow("default volume") << -1 << 25;
}

void TestWelcomeDialog::savedDevicesAreHandedToTheEngine()
{
    QFETCH(int, savedVolume);
    QFETCH(int, appliedVolume);
    if (savedVolume >= 0)
        m_settings->setAudioOutputVolume(uint(savedVolume));
    else
        ObjFactory::instance()->dbStore()->removeValue(Settings::tableName(),
                                                       QStringLiteral("settings.audio.outputVolume"));
    m_settings->setAudioInputDevice(Device(QStringLiteral("mic-usb-2"), QStringLiteral("USB Headset")));
    m_settings->setAudioOutputDevice(Device(QStringLiteral("spk-usb-1"), QStringLiteral("USB Headset")));
    QVERIFY(m_engine->setMicVolume(77));

    WelcomeDialog dialog(m_engine);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("mic-usb-2"));
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_OUTPUT), QStringLiteral("spk-usb-1"));
    QCOMPARE(child<QComboBox>(dialog, "microphoneDeviceCombo")->currentIndex(), 2);
    QCOMPARE(child<QComboBox>(dialog, "speakerDeviceCombo")->currentIndex(), 1);
    // The speaker gets its volume, the microphone none.
    QCOMPARE(control()->speaker_volume(), appliedVolume);
    QCOMPARE(control()->mic_volume(), 77);
}

void TestWelcomeDialog::savedDeviceGoneOrRefused()
{
    m_settings->setAudioInputDevice(Device(QStringLiteral("mic-old"), QStringLiteral("Old Mic")));
    m_settings->setAudioOutputDevice(Device(QStringLiteral("spk-usb-2"), QStringLiteral("USB Headset")));
    control()->refuse_device_changes(1);

    MessageCatcher catcher;
    WelcomeDialog dialog(m_engine);
    QVERIFY(catcher.contains(QStringLiteral("Input device not found:")));
    QVERIFY(!catcher.contains(QStringLiteral("Output device not found:")));
    // The engine's own devices stay, and are what "Save and Close" stores.
    QCOMPARE(child<QComboBox>(dialog, "microphoneDeviceCombo")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(dialog, "speakerDeviceCombo")->currentIndex(), 0);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_OUTPUT), QStringLiteral("spk-builtin"));
    QCOMPARE(control()->speaker_volume(), 100);
    dialog.accept();
    QCOMPARE(m_settings->audioInputDevice().id(), QStringLiteral("mic-builtin"));
    QCOMPARE(m_settings->audioOutputDevice().id(), QStringLiteral("spk-builtin"));
}

void TestWelcomeDialog::engineWithoutMicrophones()
{
    QSignalSpy changed(m_engine, &talk::MediaEngine::deviceChanged);
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, nullptr, nullptr, 0));
    QTRY_COMPARE(changed.count(), 1);

    MessageCatcher catcher;
    WelcomeDialog dialog(m_engine);
    QVERIFY(catcher.contains(QStringLiteral("Input device not found:")));
    QCOMPARE(child<QComboBox>(dialog, "microphoneDeviceCombo")->count(), 0);
    QCOMPARE(child<QComboBox>(dialog, "speakerDeviceCombo")->currentIndex(), 0);
    dialog.accept();
    QVERIFY(m_settings->audioInputDevice().isNull());
    QCOMPARE(m_settings->audioOutputDevice().id(), QStringLiteral("spk-builtin"));
}

void TestWelcomeDialog::engineNotInitialised()
{
    MessageCatcher catcher;
    WelcomeDialog dialog(nullptr);
    QVERIFY(catcher.contains(QStringLiteral("MediaEngine not initialized")));
    QCOMPARE(child<QComboBox>(dialog, "microphoneDeviceCombo")->count(), 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(catcher.contains(QStringLiteral("MediaEngine: unable to activate audio level monitor.")));
    click(dialog, "testButton");
    QCOMPARE(speakerPanel(dialog), QStringLiteral("speakerSuggestionPage asks Did that work?"));
    dialog.accept();
    QVERIFY(m_settings->audioInputDevice().isNull());
}

void TestWelcomeDialog::userPicksADevice()
{
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    auto *mics = child<QComboBox>(*dialog, "microphoneDeviceCombo");
    auto *speakers = child<QComboBox>(*dialog, "speakerDeviceCombo");

    click(*dialog, "micNoButton");
    QVERIFY(micPanel(*dialog).startsWith(QStringLiteral("micSuggestionPage")));
    mics->setCurrentIndex(1);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("mic-usb-1"));
    QCOMPARE(micPanel(*dialog).section(QLatin1Char(' '), 0, 1), QStringLiteral("micStartPage asks"));

    // A pick is not stored, and gives the speaker no volume.
    speakers->setCurrentIndex(2);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_OUTPUT), QStringLiteral("spk-usb-2"));
    QCOMPARE(control()->speaker_volume(), 100);
    QVERIFY(m_settings->audioOutputDevice().isNull());

    // Refused: back to what the engine uses, and the panel starts over.
    control()->refuse_device_changes(1);
    click(*dialog, "micNoButton");
    mics->setCurrentIndex(0);
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("mic-usb-1"));
    QCOMPARE(mics->currentIndex(), 1);
    QCOMPARE(micPanel(*dialog).section(QLatin1Char(' '), 0, 1), QStringLiteral("micStartPage asks"));

    dialog->accept();
    QCOMPARE(m_settings->audioInputDevice().id(), QStringLiteral("mic-usb-1"));
    QCOMPARE(m_settings->audioOutputDevice().id(), QStringLiteral("spk-usb-2"));
}

void TestWelcomeDialog::speakerCheck()
{
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    m_settings->setAudioOutputVolume(60);
    const QString asked = QStringLiteral("speakerSuggestionPage asks Did that work?");
    const QString sorry
        = QStringLiteral("speakerSuggestionPage - Sorry we can't seem to fix your sound problem.");

    QCOMPARE(speakerPanel(*dialog), QStringLiteral("speakerStartPage - "));
    click(*dialog, "testButton");
    QCOMPARE(speakerPanel(*dialog), asked);
    QCOMPARE(control()->speaker_volume(), 60);
    click(*dialog, "speakerNoButton");
    const QString hint = speakerPanel(*dialog);
    QVERIFY(hint.startsWith(QStringLiteral("speakerSuggestionPage asks Speakers/headphones:")));
    QVERIFY(hint.contains(QStringLiteral("Check the volume is turned up")));
    QVERIFY(hint.endsWith(QStringLiteral("Press the Test button again. Did that work?")));
    // "Test" during a hint plays again and keeps the hint.
    click(*dialog, "testButton");
    QCOMPARE(speakerPanel(*dialog), hint);
    click(*dialog, "speakerNoButton");
    QCOMPARE(speakerPanel(*dialog), sorry);
    click(*dialog, "testButton");
    QCOMPARE(speakerPanel(*dialog), asked);
    click(*dialog, "speakerYesButton");
    QVERIFY(speakerPanel(*dialog).startsWith(QStringLiteral("speakerSuccessPage - ")));
    click(*dialog, "testButton");
    QCOMPARE(speakerPanel(*dialog), asked);
    child<QComboBox>(*dialog, "speakerDeviceCombo")->setCurrentIndex(1);
    QVERIFY(speakerPanel(*dialog).startsWith(QStringLiteral("speakerStartPage - ")));

    // Each "Test" played the copy of the test sound once, never looped.
    const QStringList played = filesPlayed();
    QCOMPARE(played.size(), 4);
    QCOMPARE(played.count(played.first()), 4);
    QVERIFY(!played.first().endsWith(QLatin1String("(loop)")));
    QCOMPARE(readResource(played.first()), readResource(QStringLiteral(":/sounds/ring1.wav")));
}

void TestWelcomeDialog::microphoneCheck()
{
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    QCOMPARE(micPanel(*dialog), QStringLiteral("micStartPage asks "));
    click(*dialog, "micNoButton");
    QVERIFY(micPanel(*dialog).startsWith(QStringLiteral("micSuggestionPage asks Let's fix it")));
    QVERIFY(micPanel(*dialog).contains(QStringLiteral("Do you have more than one microphone?")));
    click(*dialog, "micNoButton");
    QVERIFY(micPanel(*dialog).startsWith(QStringLiteral("micSuggestionPage asks Microphone:")));
    QVERIFY(micPanel(*dialog).contains(QStringLiteral("Check it is not muted")));
    click(*dialog, "micNoButton");
    QCOMPARE(micPanel(*dialog),
             QStringLiteral("micSuggestionPage - Sorry we can't seem to fix your microphone problem."));

    // Only another microphone starts over; then "Yes" ends in success.
    child<QComboBox>(*dialog, "microphoneDeviceCombo")->setCurrentIndex(2);
    QCOMPARE(micPanel(*dialog).section(QLatin1Char(' '), 0, 1), QStringLiteral("micStartPage asks"));
    click(*dialog, "micNoButton");
    QVERIFY(micPanel(*dialog).contains(QStringLiteral("Let's fix it")));
    click(*dialog, "micYesButton");
    QVERIFY(micPanel(*dialog).startsWith(QStringLiteral("micSuccessPage - ")));
}

void TestWelcomeDialog::levelBars()
{
    control()->set_play_duration(5000);
    control()->set_input_level(7);
    control()->set_output_level(6);
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    QCOMPARE(control()->local_monitor(), 1);
    auto *micBar = child<QProgressBar>(*dialog, "micProgressBar");
    auto *speakerBar = child<QProgressBar>(*dialog, "speakerProgressBar");
    QTRY_COMPARE(micBar->value(), 7);
    // The player's level shows while the test sound plays.
    QCOMPARE(speakerBar->value(), 0);
    click(*dialog, "testButton");
    QTRY_COMPARE(speakerBar->value(), 6);

    // Beyond the bar: the bar keeps its value.
    control()->set_input_level(12);
    control()->set_output_level(3);
    QTRY_COMPARE(speakerBar->value(), 3);
    QCOMPARE(micBar->value(), 7);

    dialog->accept();
    QCOMPARE(control()->local_monitor(), 0);
    control()->set_input_level(2);
    QTest::qWait(250);
    QCOMPARE(micBar->value(), 7);
}

void TestWelcomeDialog::saveStoresAndCloseStoresNothing()
{
    {
        WelcomeDialog *dialog = showDialog();
        QVERIFY(dialog);
        child<QComboBox>(*dialog, "microphoneDeviceCombo")->setCurrentIndex(1);
        child<QPushButton>(*dialog, "closeButton")->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(m_settings->audioInputDevice().isNull());
        QVERIFY(m_settings->showWelcome(false));
        // The pick stays in force in the engine.
        QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("mic-usb-1"));
    }

    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(*dialog, "microphoneDeviceCombo")->currentIndex(), 1);
    child<QCheckBox>(*dialog, "showOnStartupCheckBox")->setChecked(false);
    MessageCatcher catcher;
    click(*dialog, "saveButton");
    QVERIFY(catcher.contains(QStringLiteral("QEvent::Close")));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!m_settings->showWelcome(true));
    QCOMPARE(m_settings->audioInputDevice().id(), QStringLiteral("mic-usb-1"));

    // Opened again from the menu, the box shows what was saved.
    WelcomeDialog again(m_engine);
    QVERIFY(!child<QCheckBox>(again, "showOnStartupCheckBox")->isChecked());
}

void TestWelcomeDialog::deviceListChanges()
{
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    auto *mics = child<QComboBox>(*dialog, "microphoneDeviceCombo");
    mics->setCurrentIndex(1);
    click(*dialog, "micNoButton");
    const QString hint = micPanel(*dialog);
    QSignalSpy changed(m_engine, &talk::MediaEngine::deviceChanged);

    // A new microphone after the one in use: refilling keeps the panel.
    const char *ids[] = {"mic-builtin", "mic-usb-1", "mic-usb-2", "mic-cam"};
    const char *names[] = {"Built-in Microphone", "USB Headset", "USB Headset", "Webcam"};
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, ids, names, 4));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(itemsOf(mics).last(), QStringLiteral("Webcam"));
    QCOMPARE(mics->currentIndex(), 1);
    QCOMPARE(micPanel(*dialog), hint);

    // The microphone in use goes away: the engine's new one is selected.
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, ids + 2, names + 2, 2));
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(itemsOf(mics), (QStringList {"USB Headset", "Webcam"}));
    QCOMPARE(currentDevice(plix::MEDIA_DEVICE_INPUT), QStringLiteral("mic-usb-2"));
    QCOMPARE(mics->currentIndex(), 0);
    dialog->accept();
    QCOMPARE(m_settings->audioInputDevice().id(), QStringLiteral("mic-usb-2"));
    dialog->show();

    // No microphone left: the selections are not touched again.
    QVERIFY(control()->set_devices(plix::MEDIA_DEVICE_INPUT, nullptr, nullptr, 0));
    QTRY_COMPARE(changed.count(), 3);
    QCOMPARE(mics->count(), 0);
    QCOMPARE(child<QComboBox>(*dialog, "speakerDeviceCombo")->currentIndex(), 0);
}

void TestWelcomeDialog::missingTestSoundPlaysNothing()
{
    Q_CLEANUP_RESOURCE(sounds);
    MessageCatcher catcher;
    WelcomeDialog dialog(m_engine);
    Q_INIT_RESOURCE(sounds);
    QVERIFY(QFile::exists(QStringLiteral(":/sounds/ring1.wav")));
    QVERIFY(catcher.contains(QStringLiteral("No test sound:")));

    click(dialog, "testButton");
    QVERIFY(catcher.contains(QStringLiteral("No test sound to play")));
    QVERIFY(filesPlayed().isEmpty());
    // The question is asked all the same.
    QCOMPARE(speakerPanel(dialog), QStringLiteral("speakerSuggestionPage - Did that work?"));
}

// Every text stands inside the margin the device columns keep from the
// dialog's sides, as in the other dialogs.
void TestWelcomeDialog::textKeepsClearOfTheEdges()
{
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    const QWidget *content = dialog->contentWidget();
    const int margin = content->findChild<QLayout *>(QStringLiteral("gridLayout"))->contentsMargins().left();
    QVERIFY(margin > 0);
    for (const char *name : {"welcomeLabel", "infoLabel", "speakerInfoLabel", "micInfoLabel", "label"}) {
        const auto *label = child<QLabel>(*dialog, name);
        const QRect text(label->mapTo(content, label->contentsRect().topLeft()),
                         label->contentsRect().size());
        QVERIFY2(
            text.left() >= margin && text.right() < content->width() - margin,
            qPrintable(QStringLiteral("%1 spans %2 to %3").arg(name).arg(text.left()).arg(text.right())));
    }
}

void TestWelcomeDialog::screenshot()
{
    control()->set_input_level(5);
    WelcomeDialog *dialog = showDialog();
    QVERIFY(dialog);
    QTRY_COMPARE(child<QProgressBar>(*dialog, "micProgressBar")->value(), 5);
    click(*dialog, "testButton");
    QVERIFY(dialog->grab().save(screenshotPath(QStringLiteral("welcomedialog.png"))));
    click(*dialog, "speakerNoButton");
    click(*dialog, "micNoButton");
    QVERIFY(dialog->grab().save(screenshotPath(QStringLiteral("welcomedialog-hints.png"))));
}

LINKORA_TEST_MAIN(TestWelcomeDialog)
#include "tst_welcomedialog.moc"
