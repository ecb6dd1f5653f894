// How long the GUI thread is busy with one press on the dial pad: a key
// outside a call (the number entry's rewrite and the key tone), a key during
// a call, pressed or typed (the key-pad tone sent to the call) and the call
// and hang-up button.
//
// Run a Release or RelWithDebInfo build, e.g.
//   build/benchmarks/bench_dialpad
#include "objfactory.h"
#include "phone/phonerig.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "support/uilook.h"
#include "ui/dialpadpage.h"
#include "ui/messageprompt.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// One frame at 60 Hz.
constexpr qint64 kFrameNanoseconds = 16 * 1000 * 1000;

const char *const kKeys[]
    = {"num1", "num2", "num3", "num4", "num5", "num6", "num7", "num8", "num9", "num0", "numStar", "numHash"};

} // namespace

class BenchDialPad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void keysOutsideACall();
    void keysDuringACall();
    void callAndHangUp();

private:
    QPushButton *button(const char *name) const
    {
        return m_page->findChild<QPushButton *>(QLatin1String(name));
    }
    // Reports the slowest and the mean of the timings and fails above a frame.
    static void report(const char *what, const QList<qint64> &timings);

    std::unique_ptr<PhoneRig> m_rig;
    std::unique_ptr<DialPadPage> m_page;
};

void BenchDialPad::initTestCase()
{
    QVERIFY2(TalkTesting::control(), "the stand-in talk library cannot be loaded");
    UiLook::install();
    TalkTesting::useStandIn();
    TalkTesting::control()->reset();
    m_rig = std::make_unique<PhoneRig>();
    m_rig->server.setBalance(PhoneRig::kUser, 12.5, QStringLiteral("USD"), QStringLiteral("$"));
    QVERIFY(m_rig->logIn());
    QTRY_VERIFY(m_rig->phone->balance().credit() > 0);
    // No box may open while measuring.
    MessagePrompt::setHandler([](const MessagePrompt::Request &request) {
        qCritical("unexpected box: %s", qPrintable(request.text));
        return QMessageBox::Ok;
    });
    m_page = std::make_unique<DialPadPage>();
    m_page->setPhone(m_rig->phone.get());
    m_page->setSettings(ObjFactory::instance()->settings());
    m_page->setHistory(ObjFactory::instance()->history());
    m_page->setContactManager(&m_rig->contacts);
    m_page->resize(300, 458);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void BenchDialPad::cleanupTestCase()
{
    m_page.reset();
    m_rig.reset();
    MessagePrompt::setHandler({});
}

void BenchDialPad::report(const char *what, const QList<qint64> &timings)
{
    const qint64 slowest = *std::max_element(timings.cbegin(), timings.cend());
    qint64 total = 0;
    for (const qint64 timing : timings)
        total += timing;
    qInfo("%s: %lld presses, slowest %.3f ms, mean %.3f ms", what, qint64(timings.size()), slowest / 1e6,
          total / 1e6 / timings.size());
    QVERIFY2(slowest < kFrameNanoseconds, "a press takes longer than a frame");
}

void BenchDialPad::keysOutsideACall()
{
    QList<qint64> presses;
    QElapsedTimer timer;
    for (int round = 0; round < 20; ++round) {
        m_page->clearNumber();
        for (const char *key : kKeys) {
            QPushButton *pressed = button(key);
            timer.start();
            QTest::mouseClick(pressed, Qt::LeftButton);
            presses << timer.nsecsElapsed();
        }
        // Repaints come between presses, as between a user's clicks.
        QCoreApplication::processEvents();
    }
    report("keys outside a call", presses);
}

void BenchDialPad::keysDuringACall()
{
    m_page->setNumber(QStringLiteral("4930123456"));
    m_page->doCall();
    auto *state = m_page->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    QTRY_COMPARE(state->text(), QStringLiteral("00:00:00"));

    QList<qint64> presses;
    QElapsedTimer timer;
    for (int round = 0; round < 20; ++round) {
        for (const char *key : kKeys) {
            QPushButton *pressed = button(key);
            timer.start();
            QTest::mouseClick(pressed, Qt::LeftButton);
            presses << timer.nsecsElapsed();
        }
        QCoreApplication::processEvents();
    }
    report("keys during a call", presses);
    QCOMPARE(qstrlen(TalkTesting::control()->dtmf_sent()), size_t(presses.size()));

    // The same keys typed on the keyboard into the number field.
    auto *line = m_page->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QList<qint64> typed;
    for (int round = 0; round < 20; ++round) {
        for (const char key : QByteArrayLiteral("1234567890*#")) {
            timer.start();
            QTest::keyClick(line, key);
            typed << timer.nsecsElapsed();
        }
        QCoreApplication::processEvents();
    }
    report("keys typed during a call", typed);
    QCOMPARE(qstrlen(TalkTesting::control()->dtmf_sent()), size_t(presses.size() + typed.size()));
    m_page->hangup();
    QTRY_VERIFY(!m_rig->phone->currentCall());
}

void BenchDialPad::callAndHangUp()
{
    auto *state = m_page->findChild<QLabel *>(QStringLiteral("callStateLabel"));
    QList<qint64> calls;
    QList<qint64> hangups;
    QElapsedTimer timer;
    for (int round = 0; round < 10; ++round) {
        m_page->setNumber(QStringLiteral("4930123456"));
        timer.start();
        QTest::mouseClick(button("callHungUpButton"), Qt::LeftButton);
        calls << timer.nsecsElapsed();
        QTRY_COMPARE(state->text(), QStringLiteral("00:00:00"));
        timer.start();
        QTest::mouseClick(button("callHungUpButton"), Qt::LeftButton);
        hangups << timer.nsecsElapsed();
        QTRY_VERIFY(!m_rig->phone->currentCall());
    }
    report("call button", calls);
    report("hang-up button", hangups);
}

LINKORA_TEST_MAIN(BenchDialPad)
#include "bench_dialpad.moc"
