#ifndef TALK_PLIXTALK_H
#define TALK_PLIXTALK_H

#include <QObject>
#include <QString>

#include "talk/proxysettings.h"

namespace talk {

// The program's one session with the talk library.
class PlixTalk : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PlixTalk)

public:
    explicit PlixTalk(QObject *parent = nullptr);
    ~PlixTalk() override;

    // The proxy settings the session uses now.
    virtual ProxySettings proxySettings() const;

    // Where the trace log and the talk library's two logs are written.
    static QString logsDir();
    static QString traceLogFilePath();
    static QString talkLogFilePath();
    static QString xmppLogFilePath();
};

} // namespace talk

#endif // TALK_PLIXTALK_H
