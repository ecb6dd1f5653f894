#include "support/talktesting.h"
#include "support/testenvironment.h"
#include "ui/keytoneplayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QString kKeys = QStringLiteral("0123456789*#");

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

} // namespace

class TestKeyTonePlayer : public QObject
{
    Q_OBJECT

private slots:
    void everyKeyIsLoadedOnceFromItsOwnCopy();
    void pressesLeaveNoFilesBehind();
    void copiesGoWithThePlayer();
    void missingSoundsPlayNothingAndAreTraced();
};

void TestKeyTonePlayer::everyKeyIsLoadedOnceFromItsOwnCopy()
{
    KeyTonePlayer player;
    QSet<QString> files;
    for (const QChar key : kKeys) {
        const QString file = player.toneFile(key);
        QVERIFY2(QFileInfo::exists(file), qPrintable(key));
        // "#" must not turn into a URL fragment.
        QCOMPARE(player.effect(key)->source(), QUrl::fromLocalFile(file));
        QCOMPARE(QFileInfo(file).size(), QFileInfo(KeyTonePlayer::defaultResourcePrefix() + key).size());
        files.insert(file);
    }
    QCOMPARE(files.size(), 12);
    QVERIFY(player.toneFile(QLatin1Char('A')).isEmpty());
    QVERIFY(!player.effect(QLatin1Char('A')));
}

void TestKeyTonePlayer::pressesLeaveNoFilesBehind()
{
    const QString temp = QDir::tempPath();
    const QStringList before = filesIn(temp);
    KeyTonePlayer player;
    const QString folder = QFileInfo(player.toneFile(QLatin1Char('5'))).absolutePath();
    const QSoundEffect *five = player.effect(QLatin1Char('5'));

    QElapsedTimer timer;
    QHash<QChar, QList<qint64>> times;
    for (int i = 0; i < 100; ++i) {
        for (const QChar key : kKeys) {
            timer.start();
            QVERIFY(player.play(key));
            times[key] << timer.elapsed();
        }
    }
    // No audio output is needed to start a sound, and none blocks: a key
    // that waited would wait on most presses, where a busy machine holds up
    // only a few.
    for (auto it = times.begin(); it != times.end(); ++it) {
        std::sort(it->begin(), it->end());
        const qint64 median = it->at(it->size() / 2);
        QVERIFY2(median < 16, qPrintable(QStringLiteral("%1: %2 ms").arg(it.key()).arg(median)));
    }
    QCOMPARE(filesIn(folder).size(), 12);
    QCOMPARE(filesIn(temp), before);
    QCOMPARE(player.effect(QLatin1Char('5')), five);
}

void TestKeyTonePlayer::copiesGoWithThePlayer()
{
    auto player = std::make_unique<KeyTonePlayer>();
    const QString folder = QFileInfo(player->toneFile(QLatin1Char('#'))).absolutePath();
    QVERIFY(QFileInfo::exists(folder));
    player.reset();
    QVERIFY(!QFileInfo::exists(folder));
}

void TestKeyTonePlayer::missingSoundsPlayNothingAndAreTraced()
{
    MessageCatcher catcher;
    KeyTonePlayer player(QStringLiteral(":/sounds/missing-"), nullptr);
    QVERIFY(catcher.contains(QStringLiteral("Key tone missing:")));
    QVERIFY(player.toneFile(QLatin1Char('1')).isEmpty());
    QVERIFY(!player.play(QLatin1Char('1')));
    QVERIFY(catcher.contains(QStringLiteral("No tone to play for key")));
}

LINKORA_TEST_MAIN(TestKeyTonePlayer)
#include "tst_keytoneplayer.moc"
