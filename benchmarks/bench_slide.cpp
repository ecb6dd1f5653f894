// What a sliding view switch costs the GUI thread: the switch itself (two
// pictures of the central area and the page change) and each frame of the
// 250 ms slide that follows. Neither may take longer than one frame, 16 ms.
//
// Run a Release or RelWithDebInfo build, e.g.
//   QT_QPA_PLATFORM=offscreen build/benchmarks/bench_slide
#include "history/history.h"
#include "settings/dbstore.h"
#include "settings/settings.h"
#include "support/testenvironment.h"
#include "ui/contentwidget.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// The longest stretch the event loop spends between two returns to the
// dispatcher while it lives.
class LongestTask : public QObject
{
public:
    LongestTask()
    {
        QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { m_clock.start(); });
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (m_clock.isValid())
                longest = std::max(longest, m_clock.nsecsElapsed());
            m_clock.invalidate();
        });
    }
    qint64 longest = 0;

private:
    QElapsedTimer m_clock;
};

} // namespace

class BenchSlide : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void viewSwitch();
    void slideFrames();

private:
    DbStore m_store {QStringLiteral("bench-slide.px")};
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<History> m_history;
    std::unique_ptr<ContentWidget> m_widget;
};

void BenchSlide::initTestCase()
{
    m_store.loadDatabases();
    m_settings = std::make_unique<Settings>(&m_store);
    m_history = std::make_unique<History>();
    m_widget = std::make_unique<ContentWidget>();
    m_widget->setSettings(m_settings.get());
    m_widget->setHistory(m_history.get());
    m_widget->setView(ContentWidget::DialPadView, false);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    // The first sliding switch makes the overlays.
    m_widget->setView(ContentWidget::ContactListView, true);
    QTest::qWait(300);
}

void BenchSlide::cleanupTestCase()
{
    m_widget.reset();
    m_history.reset();
    m_settings.reset();
    m_store.closeDatabases();
}

void BenchSlide::viewSwitch()
{
    const ContentWidget::View views[] = {ContentWidget::DialPadView, ContentWidget::ContactListView,
                                         ContentWidget::VirtualNumbersView, ContentWidget::SmsView};
    qint64 worst = 0;
    int next = 0;
    QBENCHMARK
    {
        QElapsedTimer clock;
        clock.start();
        m_widget->setView(views[next++ % 4], true);
        worst = std::max(worst, clock.nsecsElapsed());
        QCoreApplication::processEvents();
    }
    qInfo("slowest sliding switch: %.2f ms", worst / 1e6);
    QVERIFY2(worst < 16 * 1000000LL, "a view switch took longer than one frame");
}

void BenchSlide::slideFrames()
{
    m_widget->setView(ContentWidget::VoicemailView, false);
    LongestTask task;
    // One turn of the loop before the first measure, so the watch is on.
    {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    for (const ContentWidget::View view : {ContentWidget::ContactListView, ContentWidget::VirtualNumbersView,
                                           ContentWidget::SmsView, ContentWidget::DialPadView}) {
        m_widget->setView(view, true);
        // Only the frames: the switch itself is measured above.
        task.longest = 0;
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        qInfo("slowest frame of the slide to view %d: %.2f ms", view, task.longest / 1e6);
        QVERIFY2(task.longest < 16 * 1000000LL, "a frame of the slide took longer than one frame");
    }
}

LINKORA_TEST_MAIN(BenchSlide)
#include "bench_slide.moc"
