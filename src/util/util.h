#ifndef UTIL_H
#define UTIL_H

#include <QList>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QString>

namespace Util {

// Packs the three log files into "logs.zip" in the log folder and returns the
// archive's path, whether or not every file could be added. Callers check the
// file before they use it.
QString createZippedLogsFile();

// The system's reachability report, loaded on the first call from any
// thread (checked once, as the connectivity check runs every second while
// reconnecting); null when no back end is available here. It is a QObject
// and lives on the thread that loaded it, so the GUI thread should ask first.
QNetworkInformation *networkInformation();

// Whether this computer has a usable network connection: an interface that is
// up, running and neither loopback nor point-to-point, and a network the
// system's reachability report does not call disconnected.
bool hasNetworkConnectivity();
// The same rule over given interface flags and reachability; Unknown stands
// for a system that cannot tell and leaves the decision to the interfaces.
bool hasNetworkConnectivity(const QList<QNetworkInterface::InterfaceFlags> &interfaces,
                            QNetworkInformation::Reachability reachability);

// A tooltip that shows the text as it is. Qt shows any tooltip that looks
// like markup as rich text, so a name such as <img src="..."> would load and
// draw that file: the text goes out escaped inside markup of its own.
QString plainToolTip(const QString &text);

} // namespace Util

#endif // UTIL_H
