#include "history/numberhistory.h"
#include "keyboardhelpers.h"
#include "mainwindowrig.h"
#include "prefixprovider.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/countrytable.h"
#include "ui/dialpadpage.h"
#include "ui/flagpopup.h"
#include "ui/numberedit.h"
#include "ui/recentnumberspopup.h"
#include "uitesthelpers.h"
#include "util/tracelog.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <memory>

using KeyboardTesting::Fingers;

namespace {

const PlixStandinControl *control()
{
    return TalkTesting::control();
}

// The columns of the picture that hold ink, as (first, last); (-1, -1) for
// none.
QPair<int, int> inkColumns(const QImage &image)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

// The program's trace log file while it lives, the lines also reaching the
// test's own output as before.
class TraceLogFile
{
public:
    TraceLogFile()
        : m_testOutput(qInstallMessageHandler(nullptr))
    {
        qInstallMessageHandler(m_testOutput);
        m_installed = TraceLog::install();
    }
    ~TraceLogFile()
    {
        TraceLog::uninstall();
        qInstallMessageHandler(m_testOutput);
    }
    Q_DISABLE_COPY(TraceLogFile)

    bool isInstalled() const { return m_installed; }
    // The keys of the "Calling key: " lines, in the order written.
    QString keysCalled() const
    {
        QFile file(TraceLog::logFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("no log");
        const QLatin1String mark(" Calling key: ");
        QString keys;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            // The line ends in its one key.
            const qsizetype at = line.lastIndexOf(mark);
            if (at > 0 && at == line.size() - mark.size() - 1 && line.contains(QLatin1String("[DBG] ")))
                keys += line.back();
        }
        return keys;
    }

private:
    QtMessageHandler m_testOutput;
    bool m_installed = false;
};

} // namespace

// The number field of the dial pad in the logged-in main window, used with
// the mouse and the keyboard.
class TestDialPadField : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void popupKeysStayInThePopup_data();
    void popupKeysStayInThePopup();
    void countryStaysWithTheCalleeDuringACall();
    void longNumberIsShownWhole_data();
    void longNumberIsShownWhole();
    void calleeStaysInViewDuringACall();
    void keysDuringACallAreTonesNotEdits();
    void recentListHangsWhereThePickerDoes();

private:
    DialPadPage *dialPad() const { return m_client->child<DialPadPage>("dialPadPage"); }
    NumberEdit *field() const { return dialPad()->findChild<NumberEdit *>(QStringLiteral("numberEdit")); }
    QLineEdit *line() const { return field()->findChild<QLineEdit *>(QStringLiteral("numberLineEdit")); }
    QPushButton *fieldButton(const char *name) const { return field()->findChild<QPushButton *>(name); }
    FlagPopup *picker() const { return field()->findChild<FlagPopup *>(); }
    RecentNumbersPopup *recentList() const { return field()->findChild<RecentNumbersPopup *>(); }
    Phone *phone() const { return m_client->rig.phone.get(); }
    bool callLook() const
    {
        return dialPad()
            ->findChild<QPushButton *>(QStringLiteral("callHungUpButton"))
            ->property("_is_call")
            .toBool();
    }
    // Clicks into the field and types the digits.
    void typeNumber(const QString &digits)
    {
        QTest::mouseClick(line(), Qt::LeftButton);
        QTest::keyClicks(line(), digits);
    }
    // Clicks the field's button and waits for its pop-up to take the keys.
    bool openPopup(const char *button, QWidget *popup)
    {
        QTest::mouseClick(fieldButton(button), Qt::LeftButton);
        return QTest::qWaitFor(
            [popup] {
                return QApplication::focusWidget() && popup->isAncestorOf(QApplication::focusWidget());
            },
            2000);
    }
    // A key typed while the pop-up has the keyboard; a key that closes it
    // is let go over whatever has the focus then, if anything.
    static bool pressAndLetGo(const QString &key)
    {
        Fingers fingers;
        if (!fingers.play({QLatin1Char('+') + key}))
            return false;
        fingers.play({QLatin1Char('-') + key});
        return true;
    }
    // Waits for the running time to show.
    bool callStarted();

    int m_run = 0;
    std::unique_ptr<UiTesting::PromptRecorder> m_prompts;
    std::unique_ptr<UiTesting::ModalBoxCloser> m_boxes;
    std::unique_ptr<UiTesting::ConnectivityProbe> m_network;
    std::unique_ptr<MainWindowRig> m_client;
};

void TestDialPadField::initTestCase()
{
    QVERIFY2(control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
}

void TestDialPadField::init()
{
    TalkTesting::useStandIn();
    control()->reset();
    m_prompts = std::make_unique<UiTesting::PromptRecorder>();
    m_boxes = std::make_unique<UiTesting::ModalBoxCloser>();
    m_network = std::make_unique<UiTesting::ConnectivityProbe>(true);
    m_client = std::make_unique<MainWindowRig>(QStringLiteral("field%1.px").arg(++m_run));
    m_client->window->showLogIn();
    QVERIFY(QTest::qWaitForWindowActive(m_client->window.get()));

    m_client->typeSignIn();
    QTRY_COMPARE_WITH_TIMEOUT(m_client->content()->currentView(), ContentWidget::DialPadView, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(phone()->balance().credit() > 0, 5000);
    // The dial pad has slid into its place.
    QTRY_VERIFY(!UiTesting::sliding(m_client->content()));
}

void TestDialPadField::cleanup()
{
    m_client.reset();
    m_network.reset();
    m_prompts.reset();
    // No call was tried from a pop-up's key.
    QCOMPARE(m_boxes->texts, QStringList());
    m_boxes.reset();
}

bool TestDialPadField::callStarted()
{
    auto *state = dialPad()->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    return QTest::qWaitFor([state] { return state->text() == QLatin1String("00:00:00"); }, 5000);
}

void TestDialPadField::popupKeysStayInThePopup_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("countryStart");

    QTest::newRow("country picker, a letter and Return")
        << "flagButton" << QStringList {"U", "Return"} << "U";
    QTest::newRow("country picker, arrows and key-pad Enter")
        << "flagButton" << QStringList {"Down", "Down", "Enter"} << "";
    QTest::newRow("recent list, an arrow and Return")
        << "recentClearButton" << QStringList {"Down", "Return"} << "Germany";
}

void TestDialPadField::popupKeysStayInThePopup()
{
    QFETCH(QString, button);
    QFETCH(QStringList, keys);
    QFETCH(QString, countryStart);
    const bool recent = button == QLatin1String("recentClearButton");
    m_client->history->numberHistory()->addNumber(QStringLiteral("0049301234"), QString());
    if (!recent)
        typeNumber(QStringLiteral("4912345"));
    QWidget *popup = recent ? static_cast<QWidget *>(recentList()) : picker();
    const int firstRow = field()->currentCountryIndex();
    QVERIFY(openPopup(qPrintable(button), popup));

    for (const QString &key : std::as_const(keys))
        QVERIFY(pressAndLetGo(key));

    // Picked as a click picks, and no hot key acted behind the list.
    QTRY_VERIFY(!popup->isVisible());
    QVERIFY(fieldButton(qPrintable(button))->isEnabled());
    QVERIFY(callLook());
    QVERIFY(phone()->calls().isEmpty());
    const QString country = fieldButton("flagButton")->toolTip();
    if (recent) {
        QCOMPARE(field()->text(), QStringLiteral("49-301234"));
        QCOMPARE(country, countryStart);
    } else {
        const int row = field()->currentCountryIndex();
        if (countryStart.isEmpty())
            QCOMPARE(row, firstRow + 2);
        else
            QVERIFY2(country.startsWith(countryStart), qPrintable(country));
        QCOMPARE(field()->text(), countryTable()->prefixesAt(row).first() + QLatin1Char('-'));
    }
}

void TestDialPadField::countryStaysWithTheCalleeDuringACall()
{
    const QList<const char *> flagButtons = {"flagButton", "flagArrowButton"};
    typeNumber(QStringLiteral("4912345"));
    QList<QImage> looks;
    for (const char *button : flagButtons)
        looks << fieldButton(button)->grab().toImage();
    QVERIFY(Fingers().type(QStringLiteral("Return")));
    QVERIFY(callStarted());
    const QString country = fieldButton("flagButton")->toolTip();

    // No other country can be picked over the number called; the flag
    // still shows the callee's as it did.
    for (const char *button : flagButtons) {
        QTest::mouseClick(fieldButton(button), Qt::LeftButton);
        QVERIFY2(!picker()->isVisible(), button);
        QVERIFY2(fieldButton(button)->grab().toImage() == looks.takeFirst(), button);
    }
    QCOMPARE(field()->text(), QStringLiteral("49-12345"));
    QCOMPARE(fieldButton("flagButton")->toolTip(), country);

    // Escape in the field hangs up, and the flag picks again.
    QTest::mouseClick(line(), Qt::LeftButton);
    QVERIFY(pressAndLetGo(QStringLiteral("Esc")));
    QTRY_VERIFY_WITH_TIMEOUT(phone()->calls().isEmpty(), 5000);
    QVERIFY(openPopup("flagButton", picker()));
    UiTesting::clickRow(picker()->findChild<QListWidget *>(),
                        countryTable()->indexOfPrefix(QStringLiteral("44")));
    QCOMPARE(field()->text(), QStringLiteral("44-"));
}

void TestDialPadField::longNumberIsShownWhole_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("smaller");
    QTest::newRow("short") << "442079460"
                           << "44-2079460" << false;
    QTest::newRow("13 digits") << "4915112345678"
                               << "49-15112345678" << true;
    QTest::newRow("15 digits and a four-digit prefix") << "124255512345678"
                                                       << "1242-55512345678" << true;
}

void TestDialPadField::longNumberIsShownWhole()
{
    QFETCH(QString, digits);
    QFETCH(QString, shown);
    QFETCH(bool, smaller);
    const int fullSize = QFontInfo(line()->font()).pixelSize();
    typeNumber(digits);
    QCOMPARE(field()->text(), shown);
    line()->clearFocus();

    // Nothing is cut off: the ink is as wide as the text in the font shown.
    QLineEdit *edit = line();
    const QImage image = field()->grab(edit->geometry()).toImage();
    const QPair<int, int> ink = inkColumns(image);
    QVERIFY(ink.first > 0 && ink.second < image.width() - 1);
    const int textWidth = QFontMetrics(edit->font()).tightBoundingRect(shown).width();
    QVERIFY2(
        ink.second - ink.first + 3 >= textWidth,
        qPrintable(
            QStringLiteral("%1 px of ink for %2 px of text").arg(ink.second - ink.first + 1).arg(textWidth)));
    QCOMPARE(QFontInfo(edit->font()).pixelSize() < fullSize, smaller);
    QVERIFY(field()->grab().save(UiLook::screenshotPath(QStringLiteral("dialpad-field-%1.png").arg(shown))));

    // Emptied, the field shows the next number in the full size again.
    QTest::mouseClick(fieldButton("recentClearButton"), Qt::LeftButton);
    QCOMPARE(QFontInfo(edit->font()).pixelSize(), fullSize);
}

void TestDialPadField::calleeStaysInViewDuringACall()
{
    m_client->history->numberHistory()->addNumber(QStringLiteral("+4420794600"), QString());
    typeNumber(QStringLiteral("4912345"));
    QPushButton *clear = fieldButton("recentClearButton");
    QVERIFY(clear->isVisible());
    QVERIFY(Fingers().type(QStringLiteral("Return")));
    QVERIFY(callStarted());

    // Nothing to click that would take the callee away.
    QVERIFY(!clear->isVisible());
    QCOMPARE(field()->text(), QStringLiteral("49-12345"));
    QVERIFY(m_client->window->grab().save(UiLook::screenshotPath(QStringLiteral("dialpad-field-call.png"))));

    // Nor does a number typed on the SMS page come back over it.
    QTest::mouseClick(dialPad()->findChild<QPushButton *>(QStringLiteral("smsButton")), Qt::LeftButton);
    QTRY_COMPARE(m_client->content()->currentView(), ContentWidget::SmsView);
    auto *smsLine
        = m_client->child<QWidget>("smsPage")->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QTRY_VERIFY(!UiTesting::sliding(m_client->content()));
    QTest::mouseClick(smsLine, Qt::LeftButton);
    smsLine->selectAll();
    QTest::keyClicks(smsLine, QStringLiteral("447700900"));
    QTest::mouseClick(m_client->child<QPushButton>("smsTopMenuBackButton"), Qt::LeftButton);
    QTRY_COMPARE(m_client->content()->currentView(), ContentWidget::DialPadView);
    QCOMPARE(field()->text(), QStringLiteral("49-12345"));

    QTest::mouseClick(dialPad()->findChild<QPushButton *>(QStringLiteral("callHungUpButton")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone()->calls().isEmpty(), 5000);
    QVERIFY(clear->isVisible());
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(field()->text(), QString());
}

// The keyboard's digits, "*" and "#" do during a call what the pad's keys
// do; nothing the user types changes the number called, before or after it
// ends. The SMS page's field, which holds no call, edits as ever.
void TestDialPadField::keysDuringACallAreTonesNotEdits()
{
    const auto tones = [] {
        return QString::fromUtf8(control()->dtmf_sent());
    };
    // Each tone sent, typed or clicked, writes its trace line once.
    const TraceLogFile log;
    QVERIFY(log.isInstalled());
    typeNumber(QStringLiteral("4420794600"));
    const QString callee = QStringLiteral("44-20794600");
    const QString country = fieldButton("flagButton")->toolTip();
    QApplication::clipboard()->setText(QStringLiteral("0123"));
    Fingers fingers;
    QVERIFY(fingers.type(QStringLiteral("Return")));
    QVERIFY(callStarted());

    for (const char *key : {"1", "Backspace", "Ctrl+A", "Delete", "1", "2", "3", "*", "#", "Ctrl+V"})
        QVERIFY2(fingers.type(QLatin1String(key)), key);
    // The repeats of a key held down send no tones of their own.
    QKeyEvent held(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"), true);
    QApplication::sendEvent(line(), &held);
    for (const char *key : {"num9", "numStar", "numHash"})
        QTest::mouseClick(dialPad()->findChild<QPushButton *>(QLatin1String(key)), Qt::LeftButton);
    QCOMPARE(field()->text(), callee);
    QCOMPARE(fieldButton("flagButton")->toolTip(), country);
    QCOMPARE(tones(), QStringLiteral("1123*#9*#"));
    QCOMPARE(log.keysCalled(), tones());

    QTest::mouseClick(dialPad()->findChild<QPushButton *>(QStringLiteral("smsButton")), Qt::LeftButton);
    QTRY_COMPARE(m_client->content()->currentView(), ContentWidget::SmsView);
    QTRY_VERIFY(!UiTesting::sliding(m_client->content()));
    auto *sms = m_client->child<QWidget>("smsPage")->findChild<NumberEdit *>(QStringLiteral("numberEdit"));
    QTest::mouseClick(sms->findChild<QLineEdit *>(QStringLiteral("numberLineEdit")), Qt::LeftButton);
    QVERIFY(fingers.type(QStringLiteral("Ctrl+A")) && fingers.type(QStringLiteral("Delete")));
    for (const char *key : {"4", "9", "3", "0"})
        QVERIFY(fingers.type(QLatin1String(key)));
    QCOMPARE(sms->text(), QStringLiteral("49-30"));
    QCOMPARE(tones(), QStringLiteral("1123*#9*#"));
    QCOMPARE(log.keysCalled(), tones());

    QTest::mouseClick(m_client->child<QPushButton>("smsTopMenuBackButton"), Qt::LeftButton);
    QTRY_COMPARE(m_client->content()->currentView(), ContentWidget::DialPadView);
    QTest::mouseClick(dialPad()->findChild<QPushButton *>(QStringLiteral("callHungUpButton")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(phone()->calls().isEmpty(), 5000);
    QCOMPARE(field()->text(), callee);
    QTest::mouseClick(line(), Qt::LeftButton);
    line()->end(false);
    QVERIFY(fingers.type(QStringLiteral("1")));
    QCOMPARE(field()->text(), callee + QLatin1Char('1'));
    QCOMPARE(tones(), QStringLiteral("1123*#9*#"));
    QCOMPARE(log.keysCalled(), tones());
}

void TestDialPadField::recentListHangsWhereThePickerDoes()
{
    m_client->history->numberHistory()->addNumber(QStringLiteral("+4420794600"), QString());
    QVERIFY(openPopup("flagButton", picker()));
    const QRect pickerPlace = picker()->geometry();
    // Closed by a click back into the window.
    m_client->window->activateWindow();
    QTRY_VERIFY(!picker()->isVisible());

    QVERIFY(openPopup("recentClearButton", recentList()));
    const QRect listPlace = recentList()->geometry();
    QCOMPARE(listPlace.left(), pickerPlace.left());
    QCOMPARE(listPlace.width(), pickerPlace.width());
    QCOMPARE(listPlace.top(), pickerPlace.top());
    // Under the field, not beside it.
    const QRect fieldPlace(field()->mapToGlobal(QPoint(0, 0)), field()->size());
    QVERIFY(listPlace.left() >= fieldPlace.left() && listPlace.right() <= fieldPlace.right());
    QVERIFY(listPlace.top() >= fieldPlace.top());
    // As high as its rows, no blank sheet under them.
    auto *rows = recentList()->findChild<QListWidget *>();
    QVERIFY(rows->count() > 0);
    int rowsHeight = 0;
    for (int row = 0; row < rows->count(); ++row)
        rowsHeight += rows->visualItemRect(rows->item(row)).height();
    QVERIFY2(rowsHeight <= rows->viewport()->height() && rowsHeight + 2 >= rows->viewport()->height(),
             qPrintable(QStringLiteral("%1 rows %2 px in %3 px")
                            .arg(rows->count())
                            .arg(rowsHeight)
                            .arg(rows->viewport()->height())));

    QImage shot = m_client->window->grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(listPlace.topLeft() - m_client->window->mapToGlobal(QPoint(0, 0)),
                      recentList()->grab().toImage());
    painter.end();
    QVERIFY(shot.save(UiLook::screenshotPath(QStringLiteral("dialpad-recent.png"))));

    // Many numbers: the picker's full height, and the list scrolls.
    m_client->window->activateWindow();
    QTRY_VERIFY(!recentList()->isVisible());
    for (int i = 0; i < 8; ++i)
        m_client->history->numberHistory()->addNumber(QStringLiteral("+442079460%1").arg(i), QString());
    QVERIFY(openPopup("recentClearButton", recentList()));
    QCOMPARE(recentList()->height(), pickerPlace.height());
}

LINKORA_TEST_MAIN(TestDialPadField)
#include "tst_dialpadfield.moc"
