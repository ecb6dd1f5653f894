#include "support/testenvironment.h"
#include "update/updater.h"
#include "update/updaterdialog.h"
#include "update/updaterhelper.h"

#include <QDialogButtonBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Answers every request with an empty 200 and remembers the request lines.
class VersionFilePeer : public QObject
{
public:
    VersionFilePeer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QStringList requests;

private:
    void answer(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        requests << QString::fromLatin1(buffer.left(buffer.indexOf("\r\n")));
        m_buffers.remove(socket);
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

class LocalHelper : public UpdaterHelper
{
public:
    explicit LocalHelper(const QString &url, bool enoughSpace = true)
        : m_url(url)
        , m_enoughSpace(enoughSpace)
    { }
    QString updateUrl() const override { return m_url; }
    bool hasEnoughFreeDiskSpace() const override { return m_enoughSpace; }

private:
    QString m_url;
    bool m_enoughSpace;
};

int managers(const Updater &updater)
{
    return int(updater.findChildren<QNetworkAccessManager *>().size());
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private slots:
    void disabledAutomaticCheckReportsNoUpdateAndSendsNothing();
    void requestGetUrlSendsOneGetAndCleansUp();
    void checksFetchTheVersionFile_data();
    void checksFetchTheVersionFile();
    void menuCheckWhileTheDialogIsShownOnlyRaisesIt();
    void dialogStartsHiddenWithItsTwoChoices();
    void unknownVolumeHasNoFreeSpace();
};

void TestUpdater::disabledAutomaticCheckReportsNoUpdateAndSendsNothing()
{
    VersionFilePeer peer;
    QVERIFY(peer.listen());
    Updater updater;
    updater.setUpdaterHelper(new LocalHelper(peer.url(QStringLiteral("/version.txt"))));
    updater.setEnabled(false);
    QSignalSpy noUpdate(&updater, &Updater::noUpdateFound);

    updater.startCheckAndUpdateAutomatically();
    QCOMPARE(noUpdate.count(), 1);
    QCOMPARE(managers(updater), 0);
    QTest::qWait(100);
    QVERIFY(peer.requests.isEmpty());
}

void TestUpdater::requestGetUrlSendsOneGetAndCleansUp()
{
    VersionFilePeer peer;
    QVERIFY(peer.listen());
    Updater updater;

    updater.requestGetUrl(QUrl(peer.url(QStringLiteral("/download/latest.txt?from=cmdline"))));
    QTRY_COMPARE(peer.requests.size(), 1);
    QCOMPARE(peer.requests.first(), QStringLiteral("GET /download/latest.txt?from=cmdline HTTP/1.1"));
    // The check's network manager goes once its reply is handled.
    QTRY_COMPARE(managers(updater), 0);
    QCOMPARE(peer.requests.size(), 1);
}

void TestUpdater::checksFetchTheVersionFile_data()
{
    QTest::addColumn<QString>("slot");
    QTest::newRow("automatic") << "startCheckAndUpdateAutomatically";
    QTest::newRow("plain") << "startCheckForUpdates";
    QTest::newRow("menu") << "startCheckForUpdatesWithUI";
}

void TestUpdater::checksFetchTheVersionFile()
{
    QFETCH(QString, slot);
    VersionFilePeer peer;
    QVERIFY(peer.listen());
    Updater updater;
    updater.setUpdaterDialog(new UpdaterDialog);
    updater.setUpdaterHelper(new LocalHelper(peer.url(QStringLiteral("/linkora/version.txt"))));

    QVERIFY(QMetaObject::invokeMethod(&updater, slot.toLatin1().constData()));
    QTRY_COMPARE(peer.requests.size(), 1);
    QCOMPARE(peer.requests.first(), QStringLiteral("GET /linkora/version.txt HTTP/1.1"));
}

void TestUpdater::menuCheckWhileTheDialogIsShownOnlyRaisesIt()
{
    VersionFilePeer peer;
    QVERIFY(peer.listen());
    Updater updater;
    auto *dialog = new UpdaterDialog;
    updater.setUpdaterDialog(dialog);
    updater.setUpdaterHelper(new LocalHelper(peer.url(QStringLiteral("/version.txt"))));
    dialog->show();

    updater.startCheckForUpdatesWithUI();
    QCOMPARE(managers(updater), 0);
    QVERIFY(dialog->isVisible());
    QTest::qWait(100);
    QVERIFY(peer.requests.isEmpty());
}

void TestUpdater::dialogStartsHiddenWithItsTwoChoices()
{
    UpdaterDialog dialog;
    QVERIFY(!dialog.isVisible());
    QStringList texts;
    const auto buttons = dialog.findChild<QDialogButtonBox *>()->buttons();
    for (const QAbstractButton *button : buttons)
        texts << button->text();
    texts.sort();
    QCOMPARE(texts, QStringList({QStringLiteral("Remind Me Later"), QStringLiteral("Update Now")}));
}

void TestUpdater::unknownVolumeHasNoFreeSpace()
{
    QCOMPARE(getFreeDiskSpaceInMegabytes(TestEnvironment::root() + QStringLiteral("/no/such/folder")),
             qint64(-1));
    QVERIFY(getFreeDiskSpaceInMegabytes(TestEnvironment::root()) >= 0);
}

LINKORA_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"
