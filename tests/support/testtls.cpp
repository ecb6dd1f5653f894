#include "testtls.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

QString runOpenssl(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30000))
        return QStringLiteral("openssl did not finish: ") + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("openssl %1 failed: %2")
            .arg(arguments.value(0), QString::fromLocal8Bit(process.readAll()));
    return {};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TestTls::Credentials make()
{
    TestTls::Credentials made;
    const QString folder = TestEnvironment::freshDirectory(QStringLiteral("tls"));
    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile extensions(folder + QStringLiteral("/server.ext"));
    if (!extensions.open(QIODevice::WriteOnly)) {
        made.error = QStringLiteral("cannot write ") + extensions.fileName();
        return made;
    }
    extensions.write("basicConstraints=CA:FALSE\n"
                     "keyUsage=critical,digitalSignature,keyEncipherment\n"
                     "extendedKeyUsage=serverAuth\n"
                     "subjectAltName=IP:127.0.0.1,DNS:localhost,DNS:update.test\n");
    extensions.close();

    const QList<QStringList> steps = {
        QStringList {QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
            + QStringList {QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                           QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                           QStringLiteral("-subj"), QStringLiteral("/CN=Linkora Test Authority"),
                           QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                           QStringLiteral("-addext"),
                           QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
        QStringList {QStringLiteral("req")} + ecKey
            + QStringList {QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                           QStringLiteral("server.csr"), QStringLiteral("-subj"),
                           QStringLiteral("/CN=127.0.0.1")},
        QStringList {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                     QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                     QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                     QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                     QStringLiteral("server.ext"), QStringLiteral("-out"), QStringLiteral("server.pem")},
    };
    for (const QStringList &step : steps) {
        made.error = runOpenssl(folder, step);
        if (!made.error.isEmpty())
            return made;
    }

    made.authority = QSslCertificate(readFile(folder + QStringLiteral("/ca.pem")));
    made.certificate = QSslCertificate(readFile(folder + QStringLiteral("/server.pem")));
    made.key = QSslKey(readFile(folder + QStringLiteral("/server.key")), QSsl::Ec);
    if (made.authority.isNull() || made.certificate.isNull() || made.key.isNull())
        made.error = QStringLiteral("openssl wrote certificates Qt cannot read");
    return made;
}

} // namespace

const TestTls::Credentials &TestTls::credentials()
{
    static const Credentials made = make();
    return made;
}

QSslConfiguration TestTls::serverConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(credentials().certificate);
    configuration.setPrivateKey(credentials().key);
    configuration.setCaCertificates({credentials().authority});
    return configuration;
}

void TestTls::trustAuthority()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    if (!configuration.caCertificates().contains(credentials().authority)) {
        configuration.addCaCertificate(credentials().authority);
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
}
