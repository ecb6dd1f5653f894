#include "talktesting.h"

#include <QLibrary>

namespace {

QStringList s_messages;
QtMessageHandler s_previous = nullptr;

void catchMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    s_messages << message;
    if (s_previous)
        s_previous(type, context, message);
}

} // namespace

namespace TalkTesting {

QString libraryPath()
{
    return QStringLiteral(LINKORA_TALK_LIBRARY_PATH);
}

const PlixStandinControl *control()
{
    static const PlixStandinControl *controls = [] {
        // The same handle as the sessions' own loading; never unloaded.
        QLibrary library(libraryPath());
        if (!library.load())
            return static_cast<const PlixStandinControl *>(nullptr);
        const auto function
            = reinterpret_cast<PlixStandinControlFunction>(library.resolve("plix_standin_control"));
        return function ? function() : nullptr;
    }();
    return controls;
}

void useStandIn()
{
    talk::PlixTalk::setLibraryFileName(libraryPath());
}

QString liveObjects()
{
    const PlixStandinControl *c = control();
    if (!c)
        return QStringLiteral("no stand-in");
    return QStringLiteral("jid=%1 device=%2 proxy=%3 status=%4 list=%5 talk=%6")
        .arg(c->live_objects(PLIX_STANDIN_JID))
        .arg(c->live_objects(PLIX_STANDIN_DEVICE))
        .arg(c->live_objects(PLIX_STANDIN_PROXY))
        .arg(c->live_objects(PLIX_STANDIN_STATUS))
        .arg(c->live_objects(PLIX_STANDIN_LIST))
        .arg(c->live_objects(PLIX_STANDIN_TALK));
}

} // namespace TalkTesting

MessageCatcher::MessageCatcher()
{
    s_messages.clear();
    s_previous = qInstallMessageHandler(catchMessage);
}

MessageCatcher::~MessageCatcher()
{
    qInstallMessageHandler(s_previous);
    s_previous = nullptr;
}

QStringList MessageCatcher::messages() const
{
    return s_messages;
}

bool MessageCatcher::contains(const QString &text) const
{
    for (const QString &message : std::as_const(s_messages)) {
        if (message.contains(text))
            return true;
    }
    return false;
}
