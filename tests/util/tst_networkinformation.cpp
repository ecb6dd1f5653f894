#include "support/testenvironment.h"
#include "util/util.h"

#include <QNetworkInformation>
#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

// The system's reachability report is loaded on its first use, which may
// come from several connectivity checks on worker threads at once.
class TestNetworkInformation : public QObject
{
    Q_OBJECT

private slots:
    void firstUseFromManyThreadsAtOnce();
};

void TestNetworkInformation::firstUseFromManyThreadsAtOnce()
{
    QVERIFY(!QNetworkInformation::instance());
    constexpr int kThreads = 16;
    QSemaphore ready;
    QSemaphore go;
    std::vector<QNetworkInformation *> seen(kThreads, nullptr);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            ready.release();
            go.acquire();
            seen[i] = Util::networkInformation();
        }));
        threads.back()->start();
    }
    // All at once.
    ready.acquire(kThreads);
    go.release(kThreads);
    for (const auto &thread : threads)
        QVERIFY(thread->wait(30000));

    // Each got the one report there is, or each none when no back end loads here.
    for (int i = 0; i < kThreads; ++i)
        QVERIFY2(seen[i] == QNetworkInformation::instance(), qPrintable(QString::number(i)));
    if (!QNetworkInformation::instance())
        QSKIP("No network information back end here: every thread got none.");
}

LINKORA_TEST_MAIN(TestNetworkInformation)
#include "tst_networkinformation.moc"
