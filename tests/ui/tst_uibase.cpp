// Mouse events travel through the window system, as a user's do: they reach
// the child under the pointer and bring enter and leave events with them.
#define QTEST_QPA_MOUSE_HANDLING

#include "contactsmodels.h"
#include "rest/balance.h"
#include "settings/dbstore.h"
#include "settings/settings.h"
#include "support/testenvironment.h"
#include "talk/proxysettings.h"
#include "ui/callforwardpage.h"
#include "ui/callhistoryeventitemdelegate.h"
#include "ui/callhistorypage.h"
#include "ui/custompushbutton.h"
#include "ui/dialogbase.h"
#include "ui/dialpadpage.h"
#include "ui/importcontactsdialog.h"
#include "ui/incomingcalldialog.h"
#include "ui/menubutton.h"
#include "ui/messageprompt.h"
#include "ui/minimizetotraydialog.h"
#include "ui/missedcallwidget.h"
#include "ui/proxysettingsdialog.h"
#include "ui/repolishwidget.h"
#include "ui/settingsdialog.h"
#include "ui/smspage.h"
#include "ui/splashscreen.h"
#include "ui/virtualnumberspage.h"
#include "ui/voicemailmodel.h"
#include "ui/voicemailpage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The application style sheet put together as the application object does:
// the common part when present, then the main part, read as Latin-1.
QString applicationStyleSheet()
{
    QString text;
    if (QFile::exists(QStringLiteral(":/css/common-stylesheet.css")))
        text = QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")));
    return text + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css")));
}

// Collects every message while it lives.
class MessageCatcher
{
public:
    MessageCatcher()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &message) { s_messages << message; });
    }
    ~MessageCatcher() { qInstallMessageHandler(m_previous); }
    QStringList messages() const { return s_messages; }

private:
    Q_DISABLE_COPY(MessageCatcher)
    static QStringList s_messages;
    QtMessageHandler m_previous;
};
QStringList MessageCatcher::s_messages;

// Answers every message box that opens while it lives with its default
// button and remembers the texts.
class MessageBoxAnswerer
{
public:
    MessageBoxAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_texts << box->text();
                m_formats << box->textFormat();
                box->accept();
            }
        });
        m_timer.start(5);
    }
    QStringList texts() const { return m_texts; }
    QList<Qt::TextFormat> formats() const { return m_formats; }

private:
    Q_DISABLE_COPY(MessageBoxAnswerer)
    QTimer m_timer;
    QStringList m_texts;
    QList<Qt::TextFormat> m_formats;
};

struct Wave
{
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    QList<qint16> samples;

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0.0; }
};

// A RIFF WAVE reader for the chunks our tones use; an empty Wave when broken.
Wave parseWave(const QByteArray &data)
{
    Wave wave;
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return wave;
    const auto u16 = [&data](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const auto u32 = [&data](qsizetype at) {
        return qFromLittleEndian<quint32>(data.constData() + at);
    };
    if (u32(4) + 8 != quint32(data.size()))
        return wave;
    qsizetype at = 12;
    bool haveFormat = false;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        const qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (body + size > data.size())
            return Wave();
        if (id == "fmt " && size >= 16) {
            wave.format = u16(body);
            wave.channels = u16(body + 2);
            wave.sampleRate = int(u32(body + 4));
            wave.bitsPerSample = u16(body + 14);
            haveFormat = true;
        } else if (id == "data" && haveFormat && wave.bitsPerSample == 16) {
            for (qsizetype i = body; i + 1 < body + size; i += 2)
                wave.samples << qint16(u16(i));
        }
        at = body + size + (size & 1);
    }
    return wave;
}

// Signal power at one frequency (Goertzel).
double powerAt(const Wave &wave, double frequency)
{
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / wave.sampleRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (const qint16 sample : wave.samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

QString screenshotPath(const QString &name)
{
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + name);
}

QLabel *errorLabelOf(const DialogBase &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("errorLabel"));
}

// Drags with the left button from a point of the widget to points given in
// global coordinates, as a user would.
void pressAt(QWidget *widget, const QPoint &local)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, local);
}

void moveToGlobal(QWidget *widget, const QPoint &global)
{
    QTest::mouseMove(widget, widget->mapFromGlobal(global));
}

void releaseAtGlobal(QWidget *widget, const QPoint &global)
{
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, widget->mapFromGlobal(global));
}

// A dialog of the kind the other subsystems build on the base.
class SampleDialog : public DialogBase
{
public:
    SampleDialog()
    {
        setTitle(QStringLiteral("Edit contact"));
        auto *grid = new QGridLayout(contentWidget());
        grid->setContentsMargins(16, 14, 16, 14);
        grid->setVerticalSpacing(8);
        const QStringList labels
            = {QStringLiteral("First Name"), QStringLiteral("Last Name"), QStringLiteral("Email")};
        const QStringList values = {QStringLiteral("Ann"), QString(), QStringLiteral("ann@example")};
        for (int row = 0; row < labels.size(); ++row) {
            auto *label = new QLabel(labels.at(row), contentWidget());
            auto *edit = new QLineEdit(values.at(row), contentWidget());
            if (row == 1) {
                label->setProperty("_invalid", true);
                repolishWidget(label);
            }
            grid->addWidget(label, row, 0);
            grid->addWidget(edit, row, 1);
        }
        auto *group = new QComboBox(contentWidget());
        group->addItems({QStringLiteral("Friends"), QStringLiteral("Family"), QStringLiteral("Work")});
        grid->addWidget(new QLabel(QStringLiteral("Group"), contentWidget()), 3, 0);
        grid->addWidget(group, 3, 1);
        auto *remember = new QCheckBox(QStringLiteral("Add to favourites"), contentWidget());
        remember->setChecked(true);
        grid->addWidget(remember, 4, 1);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(new QPushButton(QStringLiteral("Save"), contentWidget()));
        grid->addLayout(buttons, 5, 0, 1, 2);
        resize(340, 250);
    }
};

} // namespace

class TestUiBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void imagesLoad_data();
    void imagesLoad();
    void spinnerIsAnimated();
    void keyTonesAreDualTones_data();
    void keyTonesAreDualTones();
    void longSoundsParse();
    void fontsGiveTheFamiliesTheStyleSheetNames();
    void styleSheetParsesCleanly();
    void styleSheetNamesOnlyExistingResources();

    void dialogErrorLineShowsOnlyWithText();
    void dialogErrorLineGrowsOnceAfterShowing();
    void dialogPressStartsMoveOrResize_data();
    void dialogPressStartsMoveOrResize();
    void dialogLeftEdgeStopsAtMinimumWidth();
    void dialogCornerFollowsPointerWhenHeightClamped();
    void dialogCursorShowsResizeDirection();
    void dialogDragKeepsKeyboardFocus();

    void menuButtonEmitsOnceAcrossLabels_data();
    void menuButtonEmitsOnceAcrossLabels();
    void menuButtonStateSequence();
    void menuButtonOrientationRebuildsLayout();
    void customPushButtonHintFollowsWidestLine();

    void splashScreenIsFramelessAndPainted();
    void minimizeNoticeStoresOnlyOnOk_data();
    void minimizeNoticeStoresOnlyOnOk();

    void proxyDialogPrefill();
    void proxyDialogConfirmation_data();
    void proxyDialogConfirmation();

    void laterPagesAndDialogsStandIn();
    void peerTextIsShownAsPlainText();
    void screenshotsOfTheLook();

private:
    QStringList m_registeredFamilies;
    QStringList m_styleSheetMessages;
};

void TestUiBase::initTestCase()
{
    QVERIFY(QImageReader::supportedImageFormats().contains("gif"));

    const QStringList fonts = QString::fromUtf8(readResource(QStringLiteral(":/fonts/index.txt")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : fonts)
        m_registeredFamilies << QFontDatabase::applicationFontFamilies(
            QFontDatabase::addApplicationFontFromData(readResource(path)));

    MessageCatcher catcher;
    qApp->setStyleSheet(applicationStyleSheet());
    // Rules are parsed when the first widget is polished.
    QLabel probe;
    probe.ensurePolished();
    m_styleSheetMessages = catcher.messages();
}

void TestUiBase::imagesLoad_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    // The main window takes its minimum size from its picture.
    QTest::newRow("main window") << ":/gfx/mainwindow.png" << QSize(300, 600);
    QTest::newRow("tray icon") << ":/gfx/system-tray-icon-offline.png" << QSize(16, 16);
    QTest::newRow("splash") << ":/gfx/splashscreen.png" << QSize(500, 288);
    QTest::newRow("app icon") << ":/gfx/app-icon.ico" << QSize();
    const QStringList others = {
        ":/gfx/minimalize.png",
        ":/gfx/minimalize-hover.png",
        ":/gfx/close.png",
        ":/gfx/close-hover.png",
        ":/gfx/logout.png",
        ":/gfx/logout-hover.png",
        ":/gfx/dialpad/input-save.png",
        ":/gfx/dialpad/input-save-hover.png",
        ":/gfx/dialpad/input-recent.png",
        ":/gfx/dialpad/input-recent-hover.png",
        ":/gfx/dialpad/input-clear.png",
        ":/gfx/dialpad/input-clear-hover.png",
        ":/gfx/dialpad/country-arrow.png",
        ":/gfx/welcome/speakers.png",
        ":/gfx/welcome/mic.png",
        ":/gfx/welcome/success.png",
        ":/gfx/missed-background.png",
        ":/gfx/minimize/image.png",
        ":/gfx/login/login-button.png",
        ":/gfx/login/login-button-hover.png",
        ":/gfx/login/login-button-pressed.png",
        ":/gfx/liveConversation/lightBubble.png",
    };
    for (const QString &path : others)
        QTest::newRow(qPrintable(path)) << path << QSize();
}

void TestUiBase::imagesLoad()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QPixmap pixmap(path);
    QVERIFY2(!pixmap.isNull(), qPrintable(path));
    if (size.isValid())
        QCOMPARE(pixmap.size(), size);
}

void TestUiBase::spinnerIsAnimated()
{
    // Both spellings of the path reach the one file.
    for (const QString &path :
         {QStringLiteral(":gfx/login/spinner.gif"), QStringLiteral(":/gfx/login/spinner.gif")}) {
        QMovie movie(path);
        QVERIFY2(movie.isValid(), qPrintable(path));
        QVERIFY(movie.frameCount() > 1);
        movie.start();
        QCOMPARE(movie.state(), QMovie::Running);
        QVERIFY(!movie.currentPixmap().isNull());
    }
}

void TestUiBase::keyTonesAreDualTones_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    const QString keys = QStringLiteral("123456789*0#");
    const int lows[] = {697, 770, 852, 941};
    const int highs[] = {1209, 1336, 1477};
    for (int i = 0; i < keys.size(); ++i)
        QTest::newRow(qPrintable(keys.mid(i, 1))) << keys.mid(i, 1) << lows[i / 3] << highs[i % 3];
}

void TestUiBase::keyTonesAreDualTones()
{
    QFETCH(QString, key);
    QFETCH(int, low);
    QFETCH(int, high);

    const Wave wave = parseWave(readResource(QStringLiteral(":/sounds/dialup-") + key));
    QCOMPARE(wave.format, 1);
    QCOMPARE(wave.channels, 1);
    QCOMPARE(wave.bitsPerSample, 16);
    QVERIFY(wave.seconds() > 0.08 && wave.seconds() < 0.3);

    // The two strongest of the eight key frequencies are the key's own pair.
    QList<QPair<double, int>> powers;
    for (const int frequency : {697, 770, 852, 941, 1209, 1336, 1477, 1633})
        powers << qMakePair(powerAt(wave, frequency), frequency);
    std::sort(powers.begin(), powers.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    const QList<int> strongest
        = {qMin(powers.at(0).second, powers.at(1).second), qMax(powers.at(0).second, powers.at(1).second)};
    QCOMPARE(strongest, QList<int>({low, high}));
    QVERIFY(powers.at(1).first > 20.0 * powers.at(2).first);
}

void TestUiBase::longSoundsParse()
{
    const Wave ring = parseWave(readResource(QStringLiteral(":/sounds/ringtone")));
    QCOMPARE(ring.format, 1);
    QCOMPARE(ring.channels, 1);
    QVERIFY(ring.seconds() > 1.0);

    // The speaker test must last long enough for the level meter to move.
    const Wave test = parseWave(readResource(QStringLiteral(":/sounds/ring1.wav")));
    QCOMPARE(test.format, 1);
    QCOMPARE(test.channels, 1);
    QVERIFY(test.seconds() >= 2.0);
    QVERIFY(*std::max_element(test.samples.cbegin(), test.samples.cend()) > 8000);
}

void TestUiBase::fontsGiveTheFamiliesTheStyleSheetNames()
{
    const QStringList fonts = QString::fromUtf8(readResource(QStringLiteral(":/fonts/index.txt")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(fonts,
             QStringList({QStringLiteral(":/fonts/04b_03b_.ttf"), QStringLiteral(":/fonts/arial.ttf"),
                          QStringLiteral(":/fonts/Swz721n.ttf")}));
    for (const QString &path : fonts) {
        const int id = QFontDatabase::addApplicationFontFromData(readResource(path));
        QVERIFY2(id != -1, qPrintable(path));
        QVERIFY(!QFontDatabase::applicationFontFamilies(id).isEmpty());
    }

    // Without the font a family falls back to whatever the system has.
    static const QRegularExpression family(QStringLiteral(R"(font-family:\s*"([^"]+)\")"));
    QSet<QString> named;
    for (const auto &match : family.globalMatch(applicationStyleSheet()))
        named << match.captured(1);
    QVERIFY(!named.isEmpty());
    for (const QString &name : std::as_const(named))
        QVERIFY2(m_registeredFamilies.contains(name), qPrintable(name));
}

void TestUiBase::styleSheetParsesCleanly()
{
    QVERIFY2(!m_styleSheetMessages.join(QLatin1Char('\n')).contains(QStringLiteral("parse")),
             qPrintable(m_styleSheetMessages.join(QLatin1Char('\n'))));

    // Every class of ours polishes and paints under the sheet without a word.
    MessageCatcher catcher;
    {
        SampleDialog dialog;
        MinimizeToTrayDialog notice;
        SplashScreen splash;
        MenuButton menuButton;
        CustomPushButton pushButton;
        ProxySettingsDialog proxy;
        for (QWidget *widget :
             QList<QWidget *> {&dialog, &notice, &splash, &menuButton, &pushButton, &proxy}) {
            widget->show();
            QVERIFY(QTest::qWaitForWindowExposed(widget));
            QVERIFY(!widget->grab().isNull());
        }
        menuButton.setSelected(true);
    }
    QStringList messages = catcher.messages();
    // The offscreen platform's own remarks are not ours.
    messages.removeIf([](const QString &m) { return m.contains(QStringLiteral("plugin does not support")); });
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
}

void TestUiBase::styleSheetNamesOnlyExistingResources()
{
    static const QRegularExpression url(QStringLiteral(R"(url\(([^)]+)\))"));
    int count = 0;
    for (const auto &match : url.globalMatch(applicationStyleSheet())) {
        const QString path = match.captured(1).trimmed();
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
        ++count;
    }
    QVERIFY(count > 20);
}

void TestUiBase::dialogErrorLineShowsOnlyWithText()
{
    DialogBase dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLabel *error = errorLabelOf(dialog);
    QVERIFY(error);
    QVERIFY(error->isHidden());

    dialog.setErrorText(QStringLiteral("The following fields are invalid: Email"));
    QVERIFY(error->isVisible());
    QCOMPARE(error->text(), QStringLiteral("The following fields are invalid: Email"));

    dialog.setErrorText(QString());
    QVERIFY(error->isHidden());
}

void TestUiBase::dialogErrorLineGrowsOnceAfterShowing()
{
    DialogBase dialog;
    dialog.resize(300, 200);
    QLabel *error = errorLabelOf(dialog);

    // Not on screen: the line cannot show, so nothing grows yet.
    dialog.setErrorText(QStringLiteral("early"));
    QCOMPARE(dialog.height(), 200);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const int before = dialog.height();
    dialog.setErrorText(QString());
    QCOMPARE(dialog.height(), before);

    const int lineHeight = error->height();
    dialog.setErrorText(QStringLiteral("first"));
    QCOMPARE(dialog.height(), before + lineHeight);
    QCOMPARE(dialog.width(), 300);

    const int grown = dialog.height();
    dialog.setErrorText(QStringLiteral("second"));
    dialog.setErrorText(QString());
    dialog.setErrorText(QStringLiteral("third"));
    QCOMPARE(dialog.height(), grown);
}

void TestUiBase::dialogPressStartsMoveOrResize_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QRect>("change"); // position and size deltas

    // On 400 x 300 with 6 px bands and a 33 px title zone.
    QTest::newRow("title zone moves") << QPoint(100, 20) << QPoint(30, 20) << QRect(30, 20, 0, 0);
    QTest::newRow("left edge in the title zone") << QPoint(3, 20) << QPoint(10, 0) << QRect(10, 0, -10, 0);
    QTest::newRow("top edge") << QPoint(100, 3) << QPoint(0, 10) << QRect(0, 10, 0, -10);
    QTest::newRow("bottom-right corner") << QPoint(396, 296) << QPoint(10, 10) << QRect(0, 0, 10, 10);
    QTest::newRow("right edge") << QPoint(395, 100) << QPoint(20, 0) << QRect(0, 0, 20, 0);
    QTest::newRow("bottom band is 5 rows") << QPoint(200, 295) << QPoint(0, 10) << QRect(0, 0, 0, 10);
    QTest::newRow("row 294 is content") << QPoint(200, 294) << QPoint(0, 10) << QRect(0, 0, 0, 0);
    QTest::newRow("top band is 6 rows") << QPoint(200, 5) << QPoint(0, -10) << QRect(0, -10, 0, 10);
    QTest::newRow("content does nothing") << QPoint(100, 200) << QPoint(30, 30) << QRect(0, 0, 0, 0);
}

void TestUiBase::dialogPressStartsMoveOrResize()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, drag);
    QFETCH(QRect, change);

    DialogBase dialog;
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect before = dialog.geometry();
    QCOMPARE(before.size(), QSize(400, 300));

    const QPoint start = dialog.mapToGlobal(press);
    pressAt(&dialog, press);
    moveToGlobal(&dialog, start + drag / 2);
    moveToGlobal(&dialog, start + drag);
    releaseAtGlobal(&dialog, start + drag);

    const QRect after = dialog.geometry();
    QCOMPARE(after.topLeft() - before.topLeft(), change.topLeft());
    QCOMPARE(after.size() - before.size(), change.size());
}

void TestUiBase::dialogLeftEdgeStopsAtMinimumWidth()
{
    DialogBase dialog;
    dialog.setMinimumWidth(200);
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QPoint start = dialog.mapToGlobal(QPoint(3, 150));
    pressAt(&dialog, QPoint(3, 150));
    moveToGlobal(&dialog, start + QPoint(100, 0));
    QCOMPARE(dialog.geometry(), QRect(200, 100, 300, 300));
    // Past the minimum the width stops and the left edge stays put.
    moveToGlobal(&dialog, start + QPoint(300, 0));
    QCOMPARE(dialog.geometry(), QRect(200, 100, 200, 300));
    releaseAtGlobal(&dialog, start + QPoint(300, 0));
}

void TestUiBase::dialogCornerFollowsPointerWhenHeightClamped()
{
    DialogBase dialog;
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QPoint start = dialog.mapToGlobal(QPoint(3, 3));
    pressAt(&dialog, QPoint(3, 3));
    moveToGlobal(&dialog, start + QPoint(20, 300));
    releaseAtGlobal(&dialog, start + QPoint(20, 300));
    // The height stops at 50 with the top where it was; the left edge follows.
    QCOMPARE(dialog.geometry(), QRect(120, 100, 380, 50));
}

void TestUiBase::dialogCursorShowsResizeDirection()
{
    DialogBase dialog;
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QList<QPair<QPoint, Qt::CursorShape>> cases = {
        {QPoint(397, 150), Qt::SizeHorCursor},   {QPoint(2, 150), Qt::SizeHorCursor},
        {QPoint(200, 297), Qt::SizeVerCursor},   {QPoint(200, 2), Qt::SizeVerCursor},
        {QPoint(397, 297), Qt::SizeFDiagCursor}, {QPoint(2, 2), Qt::SizeFDiagCursor},
        {QPoint(397, 2), Qt::SizeBDiagCursor},   {QPoint(2, 297), Qt::SizeBDiagCursor},
    };
    for (const auto &c : cases) {
        QTest::mouseMove(&dialog, c.first);
        QVERIFY2(dialog.cursor().shape() == c.second,
                 qPrintable(QStringLiteral("%1,%2").arg(c.first.x()).arg(c.first.y())));
    }

    // Into the content: its Enter puts the arrow back.
    QTest::mouseMove(&dialog, QPoint(200, 150));
    QTRY_COMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
}

void TestUiBase::dialogDragKeepsKeyboardFocus()
{
    SampleDialog dialog;
    dialog.setGeometry(100, 100, 340, 250);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *edit = dialog.contentWidget()->findChild<QLineEdit *>();
    edit->setFocus();
    QVERIFY(edit->hasFocus());

    const QPoint start = dialog.mapToGlobal(QPoint(100, 20));
    pressAt(&dialog, QPoint(100, 20));
    moveToGlobal(&dialog, start + QPoint(40, 10));
    releaseAtGlobal(&dialog, start + QPoint(40, 10));
    QCOMPARE(dialog.pos(), QPoint(140, 110));
    QVERIFY(edit->hasFocus());
}

void TestUiBase::menuButtonEmitsOnceAcrossLabels_data()
{
    QTest::addColumn<QString>("pressOn");
    QTest::addColumn<QString>("releaseOn");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");

    QTest::newRow("margin to text") << ""
                                    << "textLabel" << true << 1;
    QTest::newRow("icon to icon") << "iconLabel"
                                  << "iconLabel" << true << 1;
    QTest::newRow("text to text") << "textLabel"
                                  << "textLabel" << true << 1;
    QTest::newRow("margin to margin") << ""
                                      << "" << true << 1;
    QTest::newRow("disabled, label") << "textLabel"
                                     << "textLabel" << false << 0;
    QTest::newRow("disabled, margin") << ""
                                      << "" << false << 0;
}

void TestUiBase::menuButtonEmitsOnceAcrossLabels()
{
    QFETCH(QString, pressOn);
    QFETCH(QString, releaseOn);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *button = new MenuButton(&window);
    button->setIconText(QStringLiteral("$12.50"));
    button->setText(QStringLiteral("DIAL PAD"));
    button->setFixedSize(92, 56);
    layout->addWidget(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    button->setEnabled(enabled);

    const auto pointOn = [button](const QString &name) {
        if (name.isEmpty())
            return button->mapTo(button->window(), QPoint(2, 2));
        auto *label = button->findChild<QLabel *>(name);
        return label->mapTo(button->window(), label->rect().center());
    };
    QSignalSpy clicked(button, &MenuButton::clicked);
    const QPoint outside(1, 1);
    QTest::mouseMove(&window, outside);
    QTest::mouseMove(&window, pointOn(pressOn));
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, pointOn(pressOn));
    QTest::mouseMove(&window, pointOn(releaseOn));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, pointOn(releaseOn));
    QCOMPARE(clicked.count(), clicks);

    // The next click counts too: no release mark is left behind.
    button->setEnabled(true);
    QTest::mouseMove(&window, outside);
    QTest::mouseMove(&window, pointOn(QStringLiteral("textLabel")));
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, pointOn(QStringLiteral("textLabel")));
    QCOMPARE(clicked.count(), clicks + 1);

    // A right click on a label must not swallow the left click after it.
    QTest::mouseClick(&window, Qt::RightButton, Qt::NoModifier, pointOn(QStringLiteral("textLabel")));
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, pointOn(QStringLiteral("textLabel")));
    QCOMPARE(clicked.count(), clicks + 2);
}

void TestUiBase::menuButtonStateSequence()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(20, 20, 20, 20);
    auto *button = new MenuButton(&window);
    button->setText(QStringLiteral("VOL"));
    button->setFixedSize(92, 56);
    layout->addWidget(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint outside(5, 5);
    const QPoint inside = button->mapTo(&window, QPoint(4, 4));
    const auto state = [button] {
        return button->property("_state").toString();
    };
    QTest::mouseMove(&window, outside);
    QCOMPARE(state(), QStringLiteral("normal"));

    QTest::mouseMove(&window, inside);
    QCOMPARE(state(), QStringLiteral("hovered"));
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, inside);
    QCOMPARE(state(), QStringLiteral("pressed"));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, inside);
    QCOMPARE(state(), QStringLiteral("hovered"));
    QTest::mouseMove(&window, outside);
    QCOMPARE(state(), QStringLiteral("normal"));

    // Selected is sticky: hover and leave change nothing, a press shows
    // "pressed" until the selection is set again.
    button->setSelected(true);
    QCOMPARE(state(), QStringLiteral("selected"));
    QTest::mouseMove(&window, inside);
    QCOMPARE(state(), QStringLiteral("selected"));
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, inside);
    QCOMPARE(state(), QStringLiteral("pressed"));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, inside);
    QCOMPARE(state(), QStringLiteral("pressed"));
    button->setSelected(true);
    QCOMPARE(state(), QStringLiteral("selected"));
    button->setSelected(false);
    QCOMPARE(state(), QStringLiteral("hovered"));
    QTest::mouseMove(&window, outside);
    button->setSelected(true);
    button->setSelected(false);
    QCOMPARE(state(), QStringLiteral("normal"));

    // Dragged off before the release: no click.
    QSignalSpy clicked(button, &MenuButton::clicked);
    QTest::mouseMove(&window, inside);
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, inside);
    QTest::mouseMove(&window, outside);
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, outside);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(state(), QStringLiteral("normal"));
}

void TestUiBase::menuButtonOrientationRebuildsLayout()
{
    MenuButton button;
    auto *icon = button.findChild<QLabel *>(QStringLiteral("iconLabel"));
    auto *text = button.findChild<QLabel *>(QStringLiteral("textLabel"));
    QVERIFY(button.iconPixmap().isNull());
    QVERIFY(qobject_cast<QVBoxLayout *>(button.layout()));

    button.setHorizontalOrientation(false); // already vertical: nothing changes
    QCOMPARE(text->alignment(), Qt::AlignCenter);

    button.setProperty("horizontalOrientation", true);
    QVERIFY(qobject_cast<QHBoxLayout *>(button.layout()));
    QCOMPARE(icon->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(button.layout()->indexOf(icon), 0);
    QCOMPARE(button.layout()->indexOf(text), 1);

    button.setHorizontalOrientation(false);
    QVERIFY(qobject_cast<QVBoxLayout *>(button.layout()));
    QCOMPARE(text->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QCOMPARE(button.layout()->spacing(), 2);

    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::red);
    button.setIconPixmap(pixmap);
    QCOMPARE(button.iconPixmap().size(), QSize(8, 8));
}

void TestUiBase::customPushButtonHintFollowsWidestLine()
{
    CustomPushButton button;
    button.setText(QStringLiteral("1<br/>DAYS"));
    button.ensurePolished();
    const QFontMetricsF metrics(button.font());
    const qreal widest = qMax(metrics.horizontalAdvance(QStringLiteral("1")),
                              metrics.horizontalAdvance(QStringLiteral("DAYS")));
    QVERIFY2(qAbs(button.sizeHint().width() - (widest + 10.0)) <= 1.5,
             qPrintable(QStringLiteral("%1 vs %2").arg(button.sizeHint().width()).arg(widest + 10.0)));

    // The caption is drawn by the button itself: checked changes only the bevel.
    button.setCheckable(true);
    button.resize(60, 32);
    const QImage unchecked = button.grab().toImage();
    button.setChecked(true);
    const QImage checked = button.grab().toImage();
    QVERIFY(unchecked != checked);
}

void TestUiBase::splashScreenIsFramelessAndPainted()
{
    SplashScreen splash;
    QVERIFY(splash.windowFlags().testFlag(Qt::SplashScreen));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(splash.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(splash.size(), QSize(500, 296));
    QCOMPARE(splash.objectName(), QStringLiteral("SplashScreen"));

    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage image = splash.grab().toImage();
    QVERIFY(image.save(screenshotPath(QStringLiteral("splashscreen.png"))));
    // The picture covers the window; its rounded corners stay see-through.
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

void TestUiBase::minimizeNoticeStoresOnlyOnOk_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<bool>("hint");

    QTest::newRow("ok, unchecked") << false << true << true;
    QTest::newRow("ok, checked") << true << true << false;
    QTest::newRow("escape, checked") << true << false << true;
}

void TestUiBase::minimizeNoticeStoresOnlyOnOk()
{
    QFETCH(bool, checked);
    QFETCH(bool, pressOk);
    QFETCH(bool, hint);

    DbStore store;
    store.loadDatabases();
    {
        Settings settings(&store);
        settings.setMinimizeToTrayHint(true);

        MinimizeToTrayDialog notice;
        notice.setSettings(&settings);
        QVERIFY(notice.windowFlags().testFlag(Qt::Tool));
        QVERIFY(notice.windowFlags().testFlag(Qt::FramelessWindowHint));
        notice.findChild<QCheckBox *>(QStringLiteral("dontShowAgainCheckBox"))->setChecked(checked);
        notice.open();
        QVERIFY(QTest::qWaitForWindowExposed(&notice));
        if (pressOk) {
            if (!checked)
                QVERIFY(notice.grab().save(screenshotPath(QStringLiteral("minimizetotray.png"))));
            QTest::mouseClick(notice.findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
        } else {
            QTest::keyClick(&notice, Qt::Key_Escape);
        }
        QCOMPARE(notice.result(), pressOk ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(!notice.isVisible());
        QCOMPARE(settings.minimizeToTrayHint(!hint), hint);
        settings.setMinimizeToTrayHint(true);
    }
    store.closeDatabases();
}

void TestUiBase::proxyDialogPrefill()
{
    ProxySettingsDialog dialog;
    auto *host = dialog.findChild<QLineEdit *>(QStringLiteral("hostnameLineEdit"));
    auto *port = dialog.findChild<QLineEdit *>(QStringLiteral("portLineEdit"));
    auto *type = dialog.findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"));
    auto *auth = dialog.findChild<QCheckBox *>(QStringLiteral("authCheckBox"));
    auto *user = dialog.findChild<QLineEdit *>(QStringLiteral("usernameLineEdit"));
    auto *password = dialog.findChild<QLineEdit *>(QStringLiteral("passwordLineEdit"));
    QVERIFY(!user->isEnabled());
    QVERIFY(!password->isEnabled());

    // Invalid: authentication without a password. Only the credentials show.
    dialog.setProxySettings(talk::ProxySettings(talk::ProxySettings::Http, QStringLiteral("proxy.lan"), 3128,
                                                true, QStringLiteral("ann"), QString()));
    QCOMPARE(host->text(), QString());
    QCOMPARE(port->text(), QStringLiteral("0"));
    QCOMPARE(type->currentIndex(), -1);
    QVERIFY(!auth->isChecked());
    QCOMPARE(user->text(), QStringLiteral("ann"));
    QCOMPARE(dialog.proxySettings(), talk::ProxySettings());

    const talk::ProxySettings socks(talk::ProxySettings::Socks5, QStringLiteral("socks.lan"), 1080, true,
                                    QStringLiteral("bob"), QStringLiteral("secret"));
    dialog.setProxySettings(socks);
    QCOMPARE(host->text(), QStringLiteral("socks.lan"));
    QCOMPARE(port->text(), QStringLiteral("1080"));
    QCOMPARE(type->currentText(), QStringLiteral("SOCKS"));
    QVERIFY(auth->isChecked());
    QVERIFY(user->isEnabled());
    QVERIFY(password->isEnabled());
    QCOMPARE(password->text(), QStringLiteral("secret"));
    QCOMPARE(dialog.proxySettings(), socks);
}

void TestUiBase::proxyDialogConfirmation_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("accepted");

    const QString portMessage
        = QStringLiteral("The port number is invalid.\nEnter a number from 1 to 65535 in \"Port\".");
    const QString lead = QStringLiteral("The proxy settings you entered are not valid.\n");
    QTest::newRow("valid") << "proxy.lan"
                           << "3128" << 0 << false << "" << QStringList() << true;
    QTest::newRow("no type") << "proxy.lan"
                             << "3128" << -1 << false << ""
                             << QStringList {lead + "Choose HTTPS or SOCKS in \"Proxy Type\"."} << false;
    QTest::newRow("auth without password")
        << "proxy.lan"
        << "3128" << 1 << true << ""
        << QStringList {lead + "Enter your password for the proxy in \"Password\"."} << false;
    QTest::newRow("empty port") << "proxy.lan"
                                << "" << 0 << false << "" << QStringList {portMessage} << false;
    QTest::newRow("empty port and host")
        << ""
        << "" << 0 << false << ""
        << QStringList {portMessage, lead + "Enter the proxy's address in \"Hostname\"."} << false;
    QTest::newRow("port 0 with a host") << "proxy.lan"
                                        << "0" << 0 << false << "" << QStringList() << true;
    QTest::newRow("no host, a port") << ""
                                     << "8080" << 1 << true << "pw"
                                     << QStringList {lead + "Enter the proxy's address in \"Hostname\"."}
                                     << false;
}

void TestUiBase::proxyDialogConfirmation()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(int, type);
    QFETCH(bool, auth);
    QFETCH(QString, password);
    QFETCH(QStringList, messages);
    QFETCH(bool, accepted);

    ProxySettingsDialog dialog;
    dialog.findChild<QLineEdit *>(QStringLiteral("hostnameLineEdit"))->setText(host);
    dialog.findChild<QLineEdit *>(QStringLiteral("portLineEdit"))->setText(port);
    dialog.findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"))->setCurrentIndex(type);
    dialog.findChild<QCheckBox *>(QStringLiteral("authCheckBox"))->setChecked(auth);
    dialog.findChild<QLineEdit *>(QStringLiteral("usernameLineEdit"))->setText(QStringLiteral("ann"));
    dialog.findChild<QLineEdit *>(QStringLiteral("passwordLineEdit"))->setText(password);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    MessageBoxAnswerer answerer;
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QCOMPARE(answerer.texts(), messages);
    QCOMPARE(dialog.isVisible(), !accepted);
    if (accepted) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const talk::ProxySettings result = dialog.proxySettings();
        QCOMPARE(result.host(), host);
        QCOMPARE(result.port(), port.toInt());
        QCOMPARE(result.mode(), type + 1);
        QCOMPARE(result.authEnabled(), auth);
        QCOMPARE(result.username(), auth ? QStringLiteral("ann") : QString());
    }
}

void TestUiBase::laterPagesAndDialogsStandIn()
{
    VoicemailModel model;
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 0);

    // The number row is the number field's: a number with a known prefix
    // selects that prefix's country.
    SMSPage sms;
    sms.setCountryIndex(7);
    QCOMPARE(sms.countryIndex(), 7);
    sms.setNumber(QStringLiteral("44-20"));
    QCOMPARE(sms.number(), QStringLiteral("44-20"));
    sms.clearNumber();
    QCOMPARE(sms.number(), QString());

    CallHistoryPage history;
    auto *delegate = new CallHistoryEventItemDelegate(nullptr, &history);
    history.setItemDelegate(delegate);
    QCOMPARE(history.findChild<QListView *>(QStringLiteral("historyListView"))->itemDelegate(), delegate);

    VoicemailPage voicemail;
    voicemail.show();
    voicemail.showVolumePanel();
    QVERIFY(voicemail.findChild<QWidget *>(QStringLiteral("volumePanel"))->isVisible());
    voicemail.hideVolumePanel();
    QVERIFY(!voicemail.findChild<QWidget *>(QStringLiteral("volumePanel"))->isVisible());
}

// Text of the service, of a contact or of the far end may hold markup: it is
// shown as it is, never as a picture, a heading or a file read from disk.
void TestUiBase::peerTextIsShownAsPlainText()
{
    const QString markup = QStringLiteral(R"(<img src="no-such.png"><h1>Zoë &amp;</h1>)");
    IncomingCallDialog incoming;
    incoming.setCaller(markup);
    MissedCallWidget missed;
    missed.setMissedCall(2, markup, markup);
    DialogBase dialog;
    dialog.setErrorText(markup);
    DialPadPage pad;
    Balance balance;
    balance.setCredit(2);
    balance.setCurrencySymbol(markup);
    pad.updateBalance(balance);
    const QList<std::pair<QLabel *, QString>> shown
        = {{incoming.findChild<QLabel *>(QStringLiteral("infoLabel")),
            markup + QStringLiteral("\nis calling...")},
           {missed.findChild<QLabel *>(QStringLiteral("numberLabel")), markup},
           {missed.findChild<QLabel *>(QStringLiteral("nameLabel")),
            QLatin1Char('(') + markup + QLatin1Char(')')},
           {dialog.findChild<QLabel *>(QStringLiteral("errorLabel")), markup},
           {pad.findChild<QLabel *>(QStringLiteral("iconLabel")), markup + QStringLiteral("2.00")}};
    for (const auto &[label, text] : shown) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // Hover texts as well: Qt shows one that looks like markup as rich text.
    Contact contact;
    contact.setFirstName(markup);
    contact.setLastName(QStringLiteral("<img src=\"/dev/zero\">"));
    DialPadPage narrow;
    narrow.resize(300, 458);
    narrow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&narrow));
    const QString longSymbol = markup + QString(60, u'W');
    balance.setCurrencySymbol(longSymbol);
    narrow.updateBalance(balance);
    const QList<std::pair<QString, QString>> tips
        = {{ContactsTreeModel::contactData(&contact, Qt::ToolTipRole).toString(),
            markup + QStringLiteral(" <img src=\"/dev/zero\">")},
           {narrow.findChild<QLabel *>(QStringLiteral("iconLabel"))->toolTip(),
            longSymbol + QStringLiteral("2.00")}};
    for (const auto &[tip, text] : tips) {
        // What a tooltip label makes of it.
        QTextDocument shownTip;
        if (Qt::mightBeRichText(tip))
            shownTip.setHtml(tip);
        else
            shownTip.setPlainText(tip);
        QCOMPARE(shownTip.toPlainText(), text);
    }

    // Message boxes too, unless the caller's own text is markup.
    MessageBoxAnswerer answerer;
    MessagePrompt::information(nullptr, QString(), markup);
    MessagePrompt::show(
        {nullptr, QMessageBox::Critical, QString(), markup, QMessageBox::Ok, QMessageBox::Ok, Qt::RichText});
    QCOMPARE(answerer.formats(), QList<Qt::TextFormat>({Qt::PlainText, Qt::RichText}));
}

void TestUiBase::screenshotsOfTheLook()
{
    SampleDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setErrorText(QStringLiteral("The following fields are invalid: Last Name"));
    const QImage image = dialog.grab().toImage();
    QVERIFY(image.save(screenshotPath(QStringLiteral("dialogbase.png"))));
    // Rounded, see-through corners around a painted frame and content.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(image.width() / 2, 3)), 255);
    QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() - 10)), QColor(Qt::white));

    // The buttons of the central area in their states.
    QWidget gallery;
    gallery.setObjectName(QStringLiteral("gallery"));
    gallery.setStyleSheet(QStringLiteral("#gallery { background: #f4f6f9; }"));
    auto *grid = new QGridLayout(&gallery);
    const QStringList captions = {QStringLiteral("DIAL<br/>PAD"), QStringLiteral("CONTACT<br/>LIST"),
                                  QStringLiteral("VIRTUAL<br/>NUMBER"), QStringLiteral("VIEW<br/>GROUPS")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *button = new MenuButton(&gallery);
        button->setText(captions.at(i));
        button->setFixedSize(80, 60);
        grid->addWidget(button, 0, i);
        if (i == 0)
            button->setSelected(true);
    }
    const QStringList filters
        = {QStringLiteral("1<br/>DAY"), QStringLiteral("7<br/>DAYS"), QStringLiteral("ALL<br/>TIME")};
    for (int i = 0; i < filters.size(); ++i) {
        auto *button = new CustomPushButton(&gallery);
        button->setText(filters.at(i));
        button->setCheckable(true);
        button->setChecked(i == 2);
        button->setProperty("_historyFilter", true);
        grid->addWidget(button, 1, i);
    }
    auto *login = new QPushButton(QStringLiteral("&Login"), &gallery);
    grid->addWidget(login, 2, 0, 1, 2);
    auto *line = new QLineEdit(QStringLiteral("ann@example.com"), &gallery);
    grid->addWidget(line, 2, 2, 1, 2);
    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    QVERIFY(gallery.grab().save(screenshotPath(QStringLiteral("buttons.png"))));
}

LINKORA_TEST_MAIN(TestUiBase)
#include "tst_uibase.moc"
