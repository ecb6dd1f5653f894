#include "history/numberhistory.h"
#include "settings/dbstore.h"
#include "support/testenvironment.h"
#include "ui/numberedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>

namespace {

// One frame at 60 Hz.
constexpr qint64 kFrameNanoseconds = 16 * 1000 * 1000;

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// How long the GUI thread is busy with one key typed into the number field:
// the validator and country detection with its rewrite of the text. Keys
// typed during a call are the dial pad's (bench_dialpad).
class BenchNumberEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typingNumbers();

private:
    // Types each key of the numbers (the field cleared before each number)
    // and reports the slowest and the mean key press.
    void measure(const char *what, const QStringList &numbers);

    DbStore m_store;
    NumberEdit *m_edit = nullptr;
};

void BenchNumberEdit::initTestCase()
{
    qApp->setStyleSheet(QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")))
                        + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css"))));
    m_store.loadDatabases();
    m_edit = new NumberEdit;
    m_edit->resize(260, 31);
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit));
}

void BenchNumberEdit::cleanupTestCase()
{
    delete m_edit;
    m_store.closeDatabases();
}

void BenchNumberEdit::measure(const char *what, const QStringList &numbers)
{
    auto *line = m_edit->findChild<QLineEdit *>(QStringLiteral("numberLineEdit"));
    QList<qint64> presses;
    QElapsedTimer timer;
    for (int round = 0; round < 20; ++round) {
        for (const QString &number : numbers) {
            m_edit->clearNumber();
            for (const QChar key : number) {
                timer.start();
                QTest::keyClick(line, key.toLatin1());
                presses << timer.nsecsElapsed();
            }
        }
    }
    const qint64 slowest = *std::max_element(presses.cbegin(), presses.cend());
    qint64 total = 0;
    for (const qint64 press : std::as_const(presses))
        total += press;
    qInfo("%s: %lld key presses, slowest %.3f ms, mean %.3f ms", what, qint64(presses.size()), slowest / 1e6,
          total / 1e6 / presses.size());
    QVERIFY2(slowest < kFrameNanoseconds, "a key press takes longer than a frame");
}

void BenchNumberEdit::typingNumbers()
{
    // Rewrites on the way: "1-", "1242-", "44-", and Canada's area codes.
    measure("typing",
            {QStringLiteral("442079460000"), QStringLiteral("12425550100"), QStringLiteral("12045550100"),
             QStringLiteral("0049301234567"), QStringLiteral("+861012345678")});
}

LINKORA_TEST_MAIN(BenchNumberEdit)
#include "bench_numberedit.moc"
