#ifndef REST_GROUPREQUEST_H
#define REST_GROUPREQUEST_H

#include "rest/group.h"
#include "rest/restrequest.h"

#include <QList>

// The address book's groups: the list, and adding, renaming and deleting one.
class GroupRequest : public RestRequest
{
    Q_OBJECT
    Q_DISABLE_COPY(GroupRequest)

public:
    explicit GroupRequest(QObject *parent = nullptr);

    virtual void getGroups();
    // PUT; answered by groupAdded() and then finished(Group).
    virtual void addGroup(const Group &group);
    // POST to the group's old name with the new one in the body.
    virtual void updateGroup(const QString &oldName, const Group &group);
    virtual void deleteGroup(const Group &group);

signals:
    void finished(const QList<Group> &groups);
    void finished(const Group &group);
    void groupAdded();

public slots:
    void onFinish(const QByteArray &body, int status) override;

protected:
    bool expectsList(int mode) const override;

private:
    enum Mode { SingleMode = 0, ListMode = 1 };

    QString baseUrl() const;
};

#endif // REST_GROUPREQUEST_H
