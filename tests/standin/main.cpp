// Serves the stand-in of the account web service on 127.0.0.1, with one demo
// account, so the client can be run against it by hand.

#include "support/webservicestandin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

namespace {

void seedDemoAccount(WebserviceStandIn &standIn, const QString &user, const QString &password)
{
    standIn.addAccount(user, password);
    standIn.setAccountField(user, QStringLiteral("firstName"), QStringLiteral("Demo"));
    standIn.setAccountField(user, QStringLiteral("lastName"), QStringLiteral("User"));
    for (const QString &group : {QStringLiteral("Work"), QStringLiteral("Family"), QStringLiteral("Friends")})
        standIn.addGroup(user, group);

    standIn.addContact(
        user,
        WebserviceStandIn::contactRecord(QStringLiteral("ann"), QStringLiteral("Work"), QStringLiteral("Ann"),
                                         QStringLiteral("Lee"),
                                         {{QStringLiteral("CELL"), QStringLiteral("+4915112345678")}},
                                         {QStringLiteral("ann@example.org")}));
    standIn.addContact(user,
                       WebserviceStandIn::contactRecord(
                           QStringLiteral("jose"), QStringLiteral("Friends"), QStringLiteral("José"),
                           QString(), {{QStringLiteral("HOME"), QStringLiteral("+34911234567")}}));
    standIn.addOnlineNumber(user, QStringLiteral("+493012345678"), QDateTime::currentDateTime().addDays(30),
                            QStringLiteral("ACTIVE"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("linkora-webservice-standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a stand-in of the account web service over plain HTTP on 127.0.0.1 and prints "
                       "its base URL."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption userOption(QStringLiteral("user"),
                                        QStringLiteral("User name of the demo account."),
                                        QStringLiteral("NAME"), QStringLiteral("demo"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("Password of the demo account."),
                                            QStringLiteral("PASS"), QStringLiteral("demo"));
    const QCommandLineOption contactsOption(
        QStringLiteral("contacts"), QStringLiteral("Further contacts of the demo account, in 50 groups."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({portOption, userOption, passwordOption, contactsOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool portOk = false;
    const quint16 port = parser.value(portOption).toUShort(&portOk);
    if (!portOk) {
        err << "Not a port number: " << parser.value(portOption) << Qt::endl;
        return 2;
    }
    const QString user = parser.value(userOption);
    if (user.isEmpty() || parser.value(passwordOption).isEmpty()) {
        err << "The demo account needs a user name and a password." << Qt::endl;
        return 2;
    }

    WebserviceStandIn standIn;
    seedDemoAccount(standIn, user, parser.value(passwordOption));
    standIn.addSampleBook(user, parser.value(contactsOption).toInt(), 50);
    if (!standIn.listen(port)) {
        err << "Cannot listen on 127.0.0.1:" << port << Qt::endl;
        return 1;
    }
    out << standIn.baseUrl().toString() << Qt::endl;

    // The path only: the query holds the password.
    QObject::connect(&standIn, &WebserviceStandIn::requestAnswered, &app,
                     [&out](const WebserviceStandIn::Request &request) {
                         out << request.method << ' ' << request.encodedPath << " -> " << request.status
                             << Qt::endl;
                     });
    return app.exec();
}
