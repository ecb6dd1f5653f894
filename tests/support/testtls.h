#ifndef TESTTLS_H
#define TESTTLS_H

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

// TLS for the stand-in servers: a certificate authority made for this test
// run and a server certificate it signed for 127.0.0.1 and localhost. Only a
// test process that calls trustAuthority() accepts them; the program never
// does.
namespace TestTls {

struct Credentials
{
    QSslCertificate authority;
    QSslCertificate certificate;
    QSslKey key;
    QString error; // why they could not be made; empty on success

    bool isValid() const { return error.isEmpty(); }
};

// Made once per process with the openssl tool, in the test's temporary folder.
const Credentials &credentials();
// For QAbstractHttpServer::sslSetup().
QSslConfiguration serverConfiguration();
// Every client of this process trusts the test authority from now on, beside
// the system's authorities.
void trustAuthority();

} // namespace TestTls

#endif // TESTTLS_H
