#include "rest/grouprequest.h"

#include "settings/webserviceurls.h"
#include "util/trace.h"

GroupRequest::GroupRequest(QObject *parent)
    : RestRequest(parent)
{ }

QString GroupRequest::baseUrl() const
{
    return urls() ? urls()->adressBookGroupServiceBaseURL() : QString();
}

void GroupRequest::getGroups()
{
    send(userUrl(baseUrl()), Get, nullptr, ListMode);
}

void GroupRequest::addGroup(const Group &group)
{
    send(userUrl(baseUrl()), Put, &group, SingleMode);
}

void GroupRequest::updateGroup(const QString &oldName, const Group &group)
{
    send(userKeyUrl(baseUrl(), oldName), Post, &group, SingleMode);
}

void GroupRequest::deleteGroup(const Group &group)
{
    send(userKeyUrl(baseUrl(), group.name()), Delete, nullptr, SingleMode);
}

bool GroupRequest::expectsList(int mode) const
{
    return mode == ListMode;
}

void GroupRequest::onFinish(const QByteArray &body, int status)
{
    const int method = replyMethod();
    const bool listMode = replyMode() == ListMode;
    bool ok = false;
    const QVariant value = parseBody(body, ok);

    if (listMode) {
        // Anything but a list must not make the default groups be sent again.
        QList<Group> groups;
        const auto named = [](const QVariantMap &map) {
            return hasAny(map, {"name"});
        };
        if (!ok || !readList(value, groups, named)) {
            TRACE << "Group list expected, got" << body.size() << "bytes";
            emit requestError();
            return;
        }
        if (groups.isEmpty())
            TRACE << "List size is < 0";
        emit finished(groups);
        return;
    }

    // "null" counts as an answer; an empty answer to a change means done.
    if (!ok) {
        TRACE << "Can not parse json:" << body.size() << "bytes";
        if (!isSuccess(status))
            emit requestError();
        return;
    }
    const Group group(value);
    if (!group.errorMessage().isEmpty())
        setReplyRefused(group.errorMessage());
    if (method == Put)
        emit groupAdded();
    emit finished(group);
}
