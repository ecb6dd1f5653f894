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

// Whether this computer has a usable network connection: an interface that is
// up, running and neither loopback nor point-to-point, and a network the
// system's reachability report does not call disconnected.
bool hasNetworkConnectivity();
// The same rule over given interface flags and reachability; Unknown stands
// for a system that cannot tell and leaves the decision to the interfaces.
bool hasNetworkConnectivity(const QList<QNetworkInterface::InterfaceFlags> &interfaces,
                            QNetworkInformation::Reachability reachability);

} // namespace Util

#endif // UTIL_H
