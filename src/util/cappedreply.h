#ifndef UTIL_CAPPEDREPLY_H
#define UTIL_CAPPEDREPLY_H

#include <QByteArray>
#include <QString>

#include <functional>

class QNetworkReply;

// Keeps the body of a network reply within a limit, for every reply the
// program reads. Checking the size only as data arrives is not enough: Qt's
// network thread may buffer the whole body, and finish the reply, before the
// check gets its turn. So Qt is told to buffer no more than the limit (and
// one byte, to tell a body of the limit from a larger one), the reply ends
// once more has come, and its body is read through readBody(), which gives
// nothing for a body over the limit, however it got in.
namespace CappedReply {

// Qt 6.4 sets no bound on the header block of an answer, and tells
// nothing of it until it is complete: an endless one grows the program by
// some 100 MB a second until the transfer time-out. A header block not
// complete this long after the request went out ends the reply.
constexpr int DefaultHeaderDeadline = 10000;

// Sets the limits; onExceeded runs (once) with the reason when more has come
// or the header block is not complete in time, by default a trace and an
// abort of the reply.
void cap(QNetworkReply *reply, qint64 limit, const std::function<void(const QString &)> &onExceeded = {},
         int headerDeadline = DefaultHeaderDeadline);
// The reply's limit; -1 without one.
qint64 limit(const QNetworkReply *reply);
// Whether more than the limit has come.
bool exceeded(const QNetworkReply *reply);
// The whole body of a finished reply; empty, with tooLarge set, when it is
// over the limit.
QByteArray readBody(QNetworkReply *reply, bool *tooLarge = nullptr);

} // namespace CappedReply

#endif // UTIL_CAPPEDREPLY_H
