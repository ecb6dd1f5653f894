#include "settings/dbstore.h"
#include "settings/settings.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

// What a volume slider costs: every step is one Settings write.
class BenchSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void changingWrites();
    void unchangedWrites();

private:
    void report(const char *what, qint64 nanoseconds);

    static constexpr int Writes = 1000;
    DbStore m_store;
    Settings *m_settings = nullptr;
};

void BenchSettings::initTestCase()
{
    m_store.loadDatabases();
    m_settings = new Settings(&m_store, this);
}

void BenchSettings::cleanupTestCase()
{
    m_store.closeDatabases();
}

void BenchSettings::report(const char *what, qint64 nanoseconds)
{
    qInfo("%s: %d writes in %.2f ms, %.1f us per write", what, Writes, nanoseconds / 1e6,
          nanoseconds / 1e3 / Writes);
}

void BenchSettings::changingWrites()
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Writes; ++i)
        m_settings->setAudioOutputVolume(40 + i % 2);
    const qint64 elapsed = timer.nsecsElapsed();
    report("changing", elapsed);
    QCOMPARE(m_settings->audioOutputVolume(), 41u);
    QVERIFY2(elapsed / Writes < 1000000, "a changing write takes a millisecond or more");
}

void BenchSettings::unchangedWrites()
{
    m_settings->setAudioInputVolume(60);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Writes; ++i)
        m_settings->setAudioInputVolume(60);
    report("unchanged", timer.nsecsElapsed());
    QCOMPARE(m_settings->audioInputVolume(), 60u);
}

LINKORA_TEST_MAIN(BenchSettings)
#include "bench_settings.moc"
