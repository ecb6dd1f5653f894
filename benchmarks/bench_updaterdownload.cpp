#include "support/testenvironment.h"
#include "support/testtls.h"
#include "support/updateserverstandin.h"
#include "update/updaterdialog.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QTimer>
#include <QtTest>

namespace {

// Resident set of this process in KiB, from /proc.
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

// What a big installer costs the running program: it is streamed to disk, so
// the resident set must not grow with it.
class BenchUpdaterDownload : public QObject
{
    Q_OBJECT

private slots:
    void download200MB();
};

void BenchUpdaterDownload::download200MB()
{
    constexpr qint64 size = 200LL * 1024 * 1024;
    TestTls::trustAuthority();
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    UpdateServerStandIn server;
    QVERIFY(server.listen());
    const QString path = QStringLiteral("/download/linkora/LinkoraSetup-9.0.0.exe");
    server.serve(path, {200, {}, {}, UpdateServerStandIn::Delivery::Generated, size});

    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(1024 * 1024, '\0');
    for (qint64 offset = 0; offset < size; offset += block.size()) {
        for (qint64 i = 0; i < block.size(); ++i)
            block[i] = UpdateServerStandIn::patternByte(offset + i);
        hash.addData(block);
    }
    block = QByteArray();

    UpdaterDialog dialog;
    const QString folder = TestEnvironment::freshDirectory(QStringLiteral("bench-installers"));
    dialog.setInstallerFolder(folder);
    QStringList started;
    dialog.setLauncher([&](const QString &program, const QStringList &) {
        started << program;
        return true;
    });

    qint64 peak = 0;
    QTimer sampler;
    sampler.setInterval(20);
    connect(&sampler, &QTimer::timeout, this, [&] { peak = qMax(peak, residentKiB()); });
    const qint64 before = residentKiB();
    sampler.start();
    QElapsedTimer clock;
    clock.start();
    dialog.startAutomaticDownload(server.url(path), QStringLiteral("9.0.0"), hash.result());
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 300000);
    const qint64 elapsed = clock.elapsed();
    sampler.stop();
    peak = qMax(peak, residentKiB());

    QCOMPARE(QFileInfo(started.first()).size(), size);
    QFile::remove(started.first());
    const qint64 growth = peak - before;
    qInfo("200 MB installer over TLS in %.1f s; resident set %lld KiB before, peak %lld KiB, growth %lld KiB",
          elapsed / 1000.0, before, peak, growth);
    QVERIFY2(growth < 10 * 1024, "the download grows the program by 10 MB or more");
}

LINKORA_TEST_MAIN(BenchUpdaterDownload)
#include "bench_updaterdownload.moc"
