#include "rest/restmetatypes.h"

#include "rest/account.h"
#include "rest/balance.h"
#include "rest/bugreport.h"
#include "rest/callforward.h"
#include "rest/callingcard.h"
#include "rest/contact.h"
#include "rest/denomination.h"
#include "rest/group.h"
#include "rest/invite.h"
#include "rest/onlinenumber.h"
#include "rest/phonenumber.h"
#include "rest/sms.h"
#include "rest/voicemail.h"

namespace {

template<typename T>
void registerWithList()
{
    qRegisterMetaType<T>();
    qRegisterMetaType<QList<T>>();
}

} // namespace

void registerRestMetaTypes()
{
    registerWithList<Account>();
    registerWithList<PhoneNumber>();
    registerWithList<Group>();
    registerWithList<Contact>();
    registerWithList<Invite>();
    registerWithList<Balance>();
    registerWithList<OnlineNumber>();
    registerWithList<CallForward>();
    registerWithList<SMS>();
    registerWithList<BugReport>();
    registerWithList<Denomination>();
    registerWithList<Voicemail>();
    registerWithList<CallingCard>();
}
