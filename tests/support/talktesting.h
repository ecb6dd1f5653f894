#ifndef TALKTESTING_H
#define TALKTESTING_H

#include "talk/plixtalk.h"

#include "plixtalk_standin.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Helpers for tests that run the talk wrappers against the stand-in talk
// library, loaded by path the way the program loads the real one.
namespace TalkTesting {

// The built stand-in library.
QString libraryPath();
// Its test controls; null when the library cannot be loaded.
const PlixStandinControl *control();
// Sessions made from now on load the stand-in.
void useStandIn();

// Objects of every kind handed to the program and not given back, e.g.
// "jid=0 device=0 proxy=0 status=0 list=0 talk=0".
QString liveObjects();

} // namespace TalkTesting

// Collects every Qt message while it lives; messages still reach the
// previous handler.
class MessageCatcher
{
public:
    MessageCatcher();
    ~MessageCatcher();
    Q_DISABLE_COPY(MessageCatcher)

    QStringList messages() const;
    bool contains(const QString &text) const;
};

#endif // TALKTESTING_H
