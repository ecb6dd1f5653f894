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
#include "rest/restmetatypes.h"
#include "rest/sms.h"
#include "rest/voicemail.h"
#include "support/testenvironment.h"
#include "util/trace.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <time.h>

namespace {

const QString kPrefix = QStringLiteral("com.dravomesh.phone.integration.");

using Factory = std::function<std::unique_ptr<RestObj>(const QVariant *)>;

template<typename T>
std::unique_ptr<RestObj> make(const QVariant *value)
{
    return value ? std::make_unique<T>(*value) : std::make_unique<T>();
}

const QMap<QString, Factory> &factories()
{
    static const QMap<QString, Factory> all = {
        {QStringLiteral("Account"), make<Account>},
        {QStringLiteral("PhoneNumber"), make<PhoneNumber>},
        {QStringLiteral("Group"), make<Group>},
        {QStringLiteral("Contact"), make<Contact>},
        {QStringLiteral("Invite"), make<Invite>},
        {QStringLiteral("Balance"), make<Balance>},
        {QStringLiteral("OnlineNumber"), make<OnlineNumber>},
        {QStringLiteral("CallForward"), make<CallForward>},
        {QStringLiteral("SMS"), make<SMS>},
        {QStringLiteral("BugReport"), make<BugReport>},
        {QStringLiteral("Denomination"), make<Denomination>},
        {QStringLiteral("Voicemail"), make<Voicemail>},
        {QStringLiteral("CallingCard"), make<CallingCard>},
    };
    return all;
}

// A reply tree as a JSON parser hands it over.
QVariant tree(const char *json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad test JSON: %s", json);
    return document.toVariant();
}

// Dates as the JSON text carries them, so written trees compare with parsed ones.
QVariant normalized(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = normalized(it.value());
        return map;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QVariantList list = value.toList();
        for (QVariant &item : list)
            item = normalized(item);
        return list;
    }
    default:
        return value;
    }
}

QByteArray text(const QVariant &value)
{
    return QJsonDocument::fromVariant(normalized(value)).toJson(QJsonDocument::Compact);
}

QVariantMap written(const RestObj &record)
{
    return record.toVariantMap().toMap();
}

template<typename T>
QString printed(const T &value)
{
    QString out;
    QDebug(&out) << value;
    return out.trimmed();
}

qint64 localMidnight(const QDate &date)
{
    return date.startOfDay().toMSecsSinceEpoch();
}

} // namespace

class Sender : public QObject
{
    Q_OBJECT

signals:
    void contacts(const QList<Contact> &contacts);
    void balance(const Balance &balance);
};

class Receiver : public QObject
{
    Q_OBJECT

public:
    QList<Contact> received;

public slots:
    void onContacts(const QList<Contact> &contacts) { received = contacts; }
};

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void restObjWritesOnlyItsClass();
    void defaultRecordsWriteClassAndFields_data();
    void defaultRecordsWriteClassAndFields();
    void roundTrip_data();
    void roundTrip();
    void missingOrMistypedKeysGiveEmptyValues_data();
    void missingOrMistypedKeysGiveEmptyValues();
    void mistypedScalarsGiveEmptyValues();
    void errorFieldsAreReadButNeverWritten();
    void copiesCarryClassNameAndErrors();
    void textIsReadAsItStands_data();
    void textIsReadAsItStands();

    void phoneNumberKinds_data();
    void phoneNumberKinds();
    void contactWritesPhonesOnlyWhenItHasSome();
    void rereadingContactReplacesPhones();
    void contactBirthDate();
    void displayName_data();
    void displayName();
    void generateNick_data();
    void generateNick();

    void balanceCreditIsReal();
    void balanceAndDenominationAssignKeepTargetErrors();
    void onlineNumberExpirationIsLocalDateOfMilliseconds();
    void voicemailDatesAndDenomination();
    void denominationKeepsLow32Bits();
    void callingCardKeepsNestedBalanceWithoutItsErrors();

    void printers_data();
    void printers();
    void accountPrinterHidesPasswordsAndPersonalData();

    void recordsTravelThroughQueuedConnections();
};

void TestRecords::initTestCase()
{
    // A zone west of UTC without daylight saving, so that local and UTC dates differ.
    qputenv("TZ", "XST5");
    tzset();
    QCOMPARE(QDateTime(QDate(2024, 7, 1), QTime(12, 0)).offsetFromUtc(), -5 * 3600);
    registerRestMetaTypes();
}

void TestRecords::restObjWritesOnlyItsClass()
{
    const QVariantMap expected {{QStringLiteral("class"), kPrefix + QStringLiteral("IntegrationObject")}};
    QCOMPARE(written(RestObj()), expected);
    QCOMPARE(written(RestObj(tree(R"({"class": "x", "errorMessage": "e"})"))), expected);
    QCOMPARE(RestObj("com.example.Thing").className(), QStringLiteral("com.example.Thing"));
    QCOMPARE(RestObj(QVariant(), QStringLiteral("com.example.Other")).className(),
             QStringLiteral("com.example.Other"));
}

void TestRecords::defaultRecordsWriteClassAndFields_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("Account")
        << "Account"
        << QByteArray(
               R"({"companyId":"","country":"","emails":[],"firstName":"","language":"","lastName":"",)"
               R"("password":"","phones":[],"sipDomain":"","sipPassword":"","sipUser":"","username":""})");
    QTest::newRow("PhoneNumber") << "PhoneNumber" << QByteArray(R"({"number":"","type":"HOME"})");
    QTest::newRow("Group") << "Group" << QByteArray(R"({"name":""})");
    QTest::newRow("Contact") << "Contact"
                             << QByteArray(
                                    R"({"addressLine1":"","addressLine2":"","birthDate":"","city":"",)"
                                    R"("country":"","emails":[],"firstName":"","groupName":"",)"
                                    R"("lastName":"","nick":"","postalCode":"","sipUser":"","state":""})");
    QTest::newRow("Invite") << "Invite"
                            << QByteArray(R"({"fromEmail":"","fullName":"","numberOfContacts":0,)"
                                          R"("showCallForwardingDetails":false,"showCityOrCountry":false,)"
                                          R"("showNumberOfContacts":false,"showPhoneNumber":false,)"
                                          R"("showPlixNumbersDetails":false,"showPlixShopDetails":false,)"
                                          R"("showVoicemailDetails":false,"toEmails":[],"userMessage":"",)"
                                          R"("userSubject":""})");
    QTest::newRow("Balance") << "Balance" << QByteArray(R"({"credit":0,"currency":"","currencySymbol":""})");
    QTest::newRow("OnlineNumber") << "OnlineNumber"
                                  << QByteArray(R"({"expirationDate":0,"number":"","status":""})");
    QTest::newRow("CallForward") << "CallForward"
                                 << QByteArray(R"({"dayEnd":0,"dayStart":0,"forwardOnBusy":false,)"
                                               R"("forwardOnNoAnswer":false,"forwardOnUnavailable":false,)"
                                               R"("forwardUnconditionally":false,"hourEnd":0,"hourStart":0,)"
                                               R"("number":"","ringTimer":0})");
    QTest::newRow("SMS") << "SMS" << QByteArray(R"({"destinationNumbers":[],"text":""})");
    QTest::newRow("BugReport") << "BugReport"
                               << QByteArray(R"({"accountName":"","fileName":"","userMessage":""})");
    QTest::newRow("Denomination") << "Denomination" << QByteArray(R"({"type":0,"value":0})");
    QTest::newRow("Voicemail")
        << "Voicemail"
        << QByteArray(
               R"({"activationDate":"","autoRenewalEnabled":false,)"
               R"("denomination":{"class":"com.dravomesh.phone.integration.Denomination","type":0,"value":0},)"
               R"("emailNotificationEnabled":false,"expirationDate":"","mailOnBusyEnabled":false,)"
               R"("mailOnErrorEnabled":false,"mailOnNoAnswerEnabled":false,"nbDaysToKeepMessages":0,)"
               R"("ringTimer":0,"status":""})");
    QTest::newRow("CallingCard")
        << "CallingCard"
        << QByteArray(
               R"({"balance":{"class":"com.dravomesh.phone.integration.Balance","credit":0,"currency":"",)"
               R"("currencySymbol":""},"number":"","partitionCode":"","productName":""})");
}

void TestRecords::defaultRecordsWriteClassAndFields()
{
    QFETCH(QString, record);
    QFETCH(QByteArray, expected);

    const std::unique_ptr<RestObj> object = factories().value(record)(nullptr);
    QCOMPARE(object->className(), kPrefix + record);
    QVariantMap map = written(*object);
    QCOMPARE(map.take(QStringLiteral("class")).toString(), kPrefix + record);
    QCOMPARE(text(map), expected);
}

void TestRecords::roundTrip_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QVariant>("reply");

    QTest::newRow("Account") << "Account"
                             << tree(R"({"companyId":"c1","country":"DE","emails":["a@x.de","b@x.de"],)"
                                     R"("language":"de","lastName":"Lee","firstName":"Ann","username":"ann",)"
                                     R"("password":"pw","sipDomain":"talk.example","sipUser":"u1",)"
                                     R"("sipPassword":"sp","phones":["+491","+492"]})");
    QTest::newRow("PhoneNumber") << "PhoneNumber" << tree(R"({"type":"CELL","number":"+4912345"})");
    QTest::newRow("Group") << "Group" << tree(R"({"name":"Work"})");
    QTest::newRow("Contact")
        << "Contact"
        << tree(R"({"nick":"ann1","groupName":"Work","firstName":"Ann","lastName":"Lee",)"
                R"("addressLine1":"Main St 1","addressLine2":"Flat 2","city":"Berlin",)"
                R"("state":"BE","postalCode":"10115","country":"DE","emails":["a@x.de"],)"
                R"("birthDate":"1980-02-29","sipUser":"u1","phones":[)"
                R"({"class":"com.dravomesh.phone.integration.PhoneNumber","type":"CELL","number":"+491"},)"
                R"({"class":"com.dravomesh.phone.integration.PhoneNumber","type":"WORK","number":"+492"}]})");
    QTest::newRow("Invite")
        << "Invite"
        << tree(R"({"fromEmail":"ann@x.de","toEmails":["b@x.de","c@x.de"],"fullName":"Ann",)"
                R"("userSubject":"Hi","userMessage":"Join","showNumberOfContacts":true,)"
                R"("numberOfContacts":42,"showCityOrCountry":true,"showPhoneNumber":false,)"
                R"("showPlixShopDetails":true,"showPlixNumbersDetails":false,)"
                R"("showCallForwardingDetails":true,"showVoicemailDetails":true})");
    QTest::newRow("Balance") << "Balance" << tree(R"({"credit":12.5,"currency":"EUR","currencySymbol":"E"})");
    QVariantMap online = tree(R"({"number":"+4930123","status":"ACTIVE"})").toMap();
    online.insert(QStringLiteral("expirationDate"), qulonglong(localMidnight(QDate(2026, 1, 1))));
    QTest::newRow("OnlineNumber") << "OnlineNumber" << QVariant(online);
    QTest::newRow("CallForward")
        << "CallForward"
        << tree(R"({"number":"+491","dayStart":1,"hourStart":8,"dayEnd":5,"hourEnd":18,)"
                R"("forwardOnBusy":true,"forwardOnNoAnswer":false,)"
                R"("forwardOnUnavailable":true,"forwardUnconditionally":false,"ringTimer":20})");
    QTest::newRow("SMS") << "SMS" << tree(R"({"destinationNumbers":["+491","+492"],"text":"Hello"})");
    QTest::newRow("BugReport")
        << "BugReport" << tree(R"({"accountName":"ann","userMessage":"It broke","fileName":"log.zip"})");
    QTest::newRow("Denomination") << "Denomination" << tree(R"({"value":500,"type":2})");
    QTest::newRow("Voicemail")
        << "Voicemail"
        << tree(
               R"({"status":"ACTIVE","activationDate":"2024-01-31","expirationDate":"2025-01-31",)"
               R"("denomination":{"class":"com.dravomesh.phone.integration.Denomination","value":500,"type":2},)"
               R"("nbDaysToKeepMessages":30,"autoRenewalEnabled":true,"emailNotificationEnabled":true,)"
               R"("mailOnNoAnswerEnabled":false,"ringTimer":25,"mailOnBusyEnabled":true,"mailOnErrorEnabled":true})");
    QTest::newRow("CallingCard")
        << "CallingCard"
        << tree(R"({"number":"123","partitionCode":"P1","productName":"Card",)"
                R"("balance":{"class":"com.dravomesh.phone.integration.Balance","credit":5.25,)"
                R"("currency":"USD","currencySymbol":"$"}})");
}

void TestRecords::roundTrip()
{
    QFETCH(QString, record);
    QFETCH(QVariant, reply);

    const std::unique_ptr<RestObj> object = factories().value(record)(&reply);
    QVariantMap expected = reply.toMap();
    expected.insert(QStringLiteral("class"), kPrefix + record);
    QCOMPARE(text(object->toVariantMap()), text(expected));
}

void TestRecords::missingOrMistypedKeysGiveEmptyValues_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QVariant>("reply");

    const QList<QPair<const char *, QVariant>> replies = {
        {"empty object", QVariantMap()},
        {"null", QVariant()},
        {"string", QStringLiteral("text")},
        {"number", 42.5},
        {"array", tree(R"([{"name":"Work","nick":"n","credit":3}])")},
    };
    for (auto it = factories().cbegin(); it != factories().cend(); ++it) {
        for (const auto &reply : replies)
            QTest::addRow("%s, %s", qPrintable(it.key()), reply.first) << it.key() << reply.second;

        // Every key present but holding an object where its value belongs.
        QVariantMap mistyped = written(*it.value()(nullptr));
        for (auto key = mistyped.begin(); key != mistyped.end(); ++key)
            key.value() = QVariantMap {{QStringLiteral("nested"), QStringLiteral("x")}};
        QTest::addRow("%s, objects everywhere", qPrintable(it.key())) << it.key() << QVariant(mistyped);
    }
}

void TestRecords::missingOrMistypedKeysGiveEmptyValues()
{
    QFETCH(QString, record);
    QFETCH(QVariant, reply);

    const std::unique_ptr<RestObj> object = factories().value(record)(&reply);
    QVariantMap expected = written(*factories().value(record)(nullptr));
    // Two fields have no empty default: a missing kind is kept as empty text, and a
    // missing expiry is the epoch, whose local date here is the last day of 1969.
    if (record == QLatin1String("PhoneNumber"))
        expected.insert(QStringLiteral("type"), QString());
    if (record == QLatin1String("OnlineNumber"))
        expected.insert(QStringLiteral("expirationDate"), localMidnight(QDate(1969, 12, 31)));

    QCOMPARE(text(object->toVariantMap()), text(expected));
    QVERIFY(object->errorMessage().isEmpty());
    QVERIFY(object->fieldErrors().isEmpty());
    QVERIFY(object->fieldHints().isEmpty());
}

void TestRecords::mistypedScalarsGiveEmptyValues()
{
    const Contact contact(tree(R"({"firstName":["Ann"],"emails":7,"birthDate":19800229,"phones":"+491"})"));
    QVERIFY(contact.firstName().isEmpty());
    QVERIFY(contact.emails().isEmpty());
    QVERIFY(contact.birthDate().isNull());
    QVERIFY(contact.phones().isEmpty());

    const Balance balance(tree(R"({"credit":"lots","currency":{"code":"EUR"}})"));
    QCOMPARE(balance.credit(), 0.0);
    QVERIFY(balance.currency().isEmpty());

    const Invite invite(
        tree(R"({"numberOfContacts":"many","showPhoneNumber":"false","showCityOrCountry":"yes"})"));
    QCOMPARE(invite.numberOfContacts(), 0);
    QCOMPARE(invite.showPhoneNumber(), false);
    QCOMPARE(invite.showCityOrCountry(), true);
}

void TestRecords::errorFieldsAreReadButNeverWritten()
{
    const QVariant reply = tree(R"({"class":"com.example.Other","errorMessage":"Bad nick","nick":"ann",)"
                                R"("fieldErrors":[{"field":"nick","errorCode":"E42"},"junk"],)"
                                R"("fieldHints":[{"field":"nick","code":"H1","arguments":"one"},)"
                                R"({"field":"city","code":"H2","arguments":["a","b"]}]})");
    Contact contact(reply);

    QCOMPARE(contact.className(), kPrefix + QStringLiteral("Contact"));
    QCOMPARE(contact.errorMessage(), QStringLiteral("Bad nick"));
    QCOMPARE(contact.fieldErrors().size(), 2);
    QCOMPARE(contact.fieldErrors().at(0).field, QStringLiteral("nick"));
    QCOMPARE(contact.fieldErrors().at(0).errorCode, QStringLiteral("E42"));
    QVERIFY(contact.fieldErrors().at(1).field.isEmpty());
    QVERIFY(contact.fieldErrors().at(1).errorCode.isEmpty());
    QCOMPARE(contact.fieldHints().size(), 2);
    QCOMPARE(contact.fieldHints().at(0).arguments, QStringList {QStringLiteral("one")});
    QCOMPARE(contact.fieldHints().at(1).code, QStringLiteral("H2"));
    QCOMPARE(contact.fieldHints().at(1).arguments, (QStringList {QStringLiteral("a"), QStringLiteral("b")}));

    const QVariantMap map = written(contact);
    QCOMPARE(map.value(QStringLiteral("class")).toString(), kPrefix + QStringLiteral("Contact"));
    QVERIFY(!map.contains(QStringLiteral("errorMessage")));
    QVERIFY(!map.contains(QStringLiteral("fieldErrors")));
    QVERIFY(!map.contains(QStringLiteral("fieldHints")));

    // Reading a record again touches its own fields only.
    contact.fromVariant(tree(R"({"nick":"bob","errorMessage":"Other"})"));
    QCOMPARE(contact.nick(), QStringLiteral("bob"));
    QCOMPARE(contact.errorMessage(), QStringLiteral("Bad nick"));
    QCOMPARE(contact.fieldErrors().size(), 2);
}

void TestRecords::copiesCarryClassNameAndErrors()
{
    const RestObj original(tree(R"({"errorMessage":"E","fieldErrors":[{"field":"f","errorCode":"c"}],)"
                                R"("fieldHints":[{"field":"g","code":"h"}]})"),
                           QStringLiteral("com.example.Thing"));
    RestObj assigned;
    assigned = original;
    for (const RestObj &copy : {RestObj(original), assigned}) {
        QCOMPARE(copy.className(), QStringLiteral("com.example.Thing"));
        QCOMPARE(copy.errorMessage(), QStringLiteral("E"));
        QCOMPARE(copy.fieldErrors().size(), 1);
        QCOMPARE(copy.fieldHints().size(), 1);
    }

    Account account(tree(R"({"errorMessage":"User not found!","username":"ann"})"));
    Account target;
    target = account;
    QCOMPARE(target.errorMessage(), QStringLiteral("User not found!"));
    QCOMPARE(target.username(), QStringLiteral("ann"));
}

void TestRecords::textIsReadAsItStands_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QString accented = QStringLiteral("Zoë Müller €");
    // The Latin-1 reading of the UTF-8 bytes of "é" is not decoded a second time.
    const QString latin1Pair = QStringLiteral("Caf\u00c3\u00a9");
    QTest::newRow("contact firstName") << "Contact"
                                       << "firstName" << accented;
    QTest::newRow("contact firstName, two characters") << "Contact"
                                                       << "firstName" << latin1Pair;
    QTest::newRow("contact postalCode") << "Contact"
                                        << "postalCode" << accented;
    QTest::newRow("contact sipUser") << "Contact"
                                     << "sipUser" << latin1Pair;
    QTest::newRow("account firstName") << "Account"
                                       << "firstName" << accented;
    QTest::newRow("account sipPassword") << "Account"
                                         << "sipPassword" << accented;
    QTest::newRow("group name") << "Group"
                                << "name" << accented;
    QTest::newRow("invite userMessage") << "Invite"
                                        << "userMessage" << accented;
    QTest::newRow("balance currencySymbol") << "Balance"
                                            << "currencySymbol" << QStringLiteral("€");
    QTest::newRow("sms text") << "SMS"
                              << "text" << accented;
    QTest::newRow("online number status") << "OnlineNumber"
                                          << "status" << accented;
}

void TestRecords::textIsReadAsItStands()
{
    QFETCH(QString, record);
    QFETCH(QString, key);
    QFETCH(QString, value);

    const QVariant reply = QVariantMap {{key, value}};
    const std::unique_ptr<RestObj> object = factories().value(record)(&reply);
    QCOMPARE(written(*object).value(key).toString(), value);
}

void TestRecords::phoneNumberKinds_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QVariant>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("typeText");

    QTest::newRow("setType 0") << "setType" << QVariant(0) << 0 << "HOME";
    QTest::newRow("setType 1") << "setType" << QVariant(1) << 1 << "WORK";
    QTest::newRow("setType 2") << "setType" << QVariant(2) << 2 << "CELL";
    QTest::newRow("setType 5 keeps 5") << "setType" << QVariant(5) << 5 << "HOME";
    QTest::newRow("setTypeText WORK") << "setTypeText" << QVariant(QStringLiteral("WORK")) << 1 << "WORK";
    QTest::newRow("setTypeText CELL") << "setTypeText" << QVariant(QStringLiteral("CELL")) << 2 << "CELL";
    QTest::newRow("setTypeText lower case")
        << "setTypeText" << QVariant(QStringLiteral("work")) << 0 << "work";
    QTest::newRow("read CELL") << "read" << QVariant(QStringLiteral("CELL")) << 2 << "CELL";
    QTest::newRow("read unknown kept") << "read" << QVariant(QStringLiteral("FAX")) << 0 << "FAX";
    QTest::newRow("read missing") << "read" << QVariant() << 0 << "";
}

void TestRecords::phoneNumberKinds()
{
    QFETCH(QString, how);
    QFETCH(QVariant, kind);
    QFETCH(int, type);
    QFETCH(QString, typeText);

    PhoneNumber phone;
    if (how == QLatin1String("setType"))
        phone.setType(kind.toInt());
    else if (how == QLatin1String("setTypeText"))
        phone.setTypeText(kind.toString());
    else
        phone = PhoneNumber(kind.isValid() ? QVariantMap {{QStringLiteral("type"), kind}} : QVariantMap());

    QCOMPARE(phone.type(), type);
    QCOMPARE(phone.typeText(), typeText);
    QCOMPARE(written(phone).value(QStringLiteral("type")).toString(), typeText);
}

void TestRecords::contactWritesPhonesOnlyWhenItHasSome()
{
    Contact contact;
    QVERIFY(!written(contact).contains(QStringLiteral("phones")));

    PhoneNumber cell;
    cell.setType(PhoneNumber::Cell);
    cell.setNumber(QStringLiteral("+491"));
    PhoneNumber home;
    home.setNumber(QStringLiteral("+492"));
    contact.setPhones({cell, home});

    QCOMPARE(
        text(written(contact).value(QStringLiteral("phones"))),
        QByteArray(
            R"([{"class":"com.dravomesh.phone.integration.PhoneNumber","number":"+491","type":"CELL"},)"
            R"({"class":"com.dravomesh.phone.integration.PhoneNumber","number":"+492","type":"HOME"}])"));
    QCOMPARE(contact.phoneNumbers(), (QStringList {QStringLiteral("+491"), QStringLiteral("+492")}));
    QCOMPARE(contact.phoneTypes(), (QVariantList {2, 0}));
}

void TestRecords::rereadingContactReplacesPhones()
{
    const QVariant reply = tree(R"({"nick":"ann","phones":[{"type":"CELL","number":"+491"},"junk"]})");
    Contact contact(reply);
    QCOMPARE(contact.phones().size(), 2);
    QVERIFY(contact.phones().at(1).number().isEmpty());
    QCOMPARE(contact.phones().at(1).type(), 0);

    contact.fromVariant(reply);
    QCOMPARE(contact.phoneNumbers(), (QStringList {QStringLiteral("+491"), QString()}));
}

void TestRecords::contactBirthDate()
{
    const Contact leap(tree(R"({"birthDate":"1980-02-29"})"));
    QCOMPARE(leap.birthDate(), QDate(1980, 2, 29));
    QCOMPARE(written(leap).value(QStringLiteral("birthDate")).toDate(), QDate(1980, 2, 29));

    for (const char *reply : {R"({})", R"({"birthDate":"29.02.1980"})", R"({"birthDate":""})"}) {
        const Contact contact(tree(reply));
        QVERIFY2(contact.birthDate().isNull(), reply);
        const QVariant date = written(contact).value(QStringLiteral("birthDate"));
        QCOMPARE(date.typeId(), QMetaType::QDate);
        QVERIFY(date.toString().isEmpty());
    }
}

void TestRecords::displayName_data()
{
    QTest::addColumn<QVariant>("reply");
    QTest::addColumn<QString>("expected");

    QTest::newRow("only a nick") << tree(R"({"nick":"ann42"})") << "ann42";
    QTest::newRow("both names") << tree(R"({"nick":"n","firstName":"Ann","lastName":"Lee"})") << "Ann Lee";
    QTest::newRow("last name only") << tree(R"({"nick":"n","lastName":"Lee"})") << "Lee";
    QTest::newRow("first name only") << tree(R"({"nick":"n","firstName":"Ann"})") << "Ann";
    QTest::newRow("nothing") << tree(R"({})") << "";
}

void TestRecords::displayName()
{
    QFETCH(QVariant, reply);
    QFETCH(QString, expected);
    QCOMPARE(Contact(reply).displayName(), expected);
}

void TestRecords::generateNick_data()
{
    // First name, last name, e-mail, phone; the nick before the time.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("stem");
    QTest::newRow("first name and phone") << QStringList {"Ann", "Lee", "a@x", "+49 123"} << "Ann+49 123";
    QTest::newRow("first name only") << QStringList {"Ann", "", "", ""} << "Ann";
    QTest::newRow("last name and phone") << QStringList {"", "Lee", "a@x", "555"} << "Lee555";
    QTest::newRow("e-mail only") << QStringList {"", "", "ann.lee@example.org", ""} << "ann.lee";
    QTest::newRow("nothing") << QStringList {"", "", "", ""} << "contact";
}

void TestRecords::generateNick()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, stem);

    Contact contact;
    contact.setFirstName(fields.at(0));
    contact.setLastName(fields.at(1));
    contact.setEmails({QString(), fields.at(2)});
    PhoneNumber phone;
    phone.setNumber(fields.at(3));
    if (!phone.number().isEmpty())
        contact.setPhones({phone, PhoneNumber()});
    const QString nick = contact.generateNick();
    const QRegularExpression expected(
        QStringLiteral("\\A%1\\d{13}\\z").arg(QRegularExpression::escape(stem)));
    QVERIFY2(expected.match(nick).hasMatch(), qPrintable(nick));
}

void TestRecords::balanceCreditIsReal()
{
    const Balance whole(tree(R"({"credit":12})"));
    QCOMPARE(whole.credit(), 12.0);
    const QVariant credit = written(whole).value(QStringLiteral("credit"));
    QCOMPARE(credit.typeId(), QMetaType::Double);
    QCOMPARE(credit.toDouble(), 12.0);

    QCOMPARE(Balance(tree(R"({"currency":"EUR"})")).credit(), 0.0);
}

void TestRecords::balanceAndDenominationAssignKeepTargetErrors()
{
    const Balance received(
        tree(R"({"credit":7.5,"currency":"EUR","currencySymbol":"€","errorMessage":"late"})"));
    QCOMPARE(Balance(received).errorMessage(), QStringLiteral("late"));

    Balance stored;
    stored = received;
    QCOMPARE(stored.credit(), 7.5);
    QCOMPARE(stored.currency(), QStringLiteral("EUR"));
    QCOMPARE(stored.currencySymbol(), QStringLiteral("€"));
    QVERIFY(stored.errorMessage().isEmpty());

    Denomination step;
    step = Denomination(tree(R"({"value":3,"type":1,"errorMessage":"x"})"));
    QCOMPARE(step.value(), 3);
    QCOMPARE(step.type(), 1);
    QVERIFY(step.errorMessage().isEmpty());
}

void TestRecords::onlineNumberExpirationIsLocalDateOfMilliseconds()
{
    // 03:00 UTC on the 10th is 22:00 local time on the 9th.
    const qint64 instant = QDateTime(QDate(2024, 3, 10), QTime(3, 0), Qt::UTC).toMSecsSinceEpoch();
    const OnlineNumber number(QVariantMap {{QStringLiteral("expirationDate"), qulonglong(instant)}});
    QCOMPARE(number.expirationDate(), QDate(2024, 3, 9));

    const QVariant expiration = written(number).value(QStringLiteral("expirationDate"));
    QCOMPARE(expiration.typeId(), QMetaType::LongLong);
    QCOMPARE(expiration.toLongLong(), QDateTime(QDate(2024, 3, 9), QTime(5, 0), Qt::UTC).toMSecsSinceEpoch());

    // Milliseconds may also arrive as a floating-point number.
    QCOMPARE(OnlineNumber(QVariantMap {{QStringLiteral("expirationDate"), double(instant)}}).expirationDate(),
             QDate(2024, 3, 9));
    // A null date is written as the epoch, whatever the local zone.
    QCOMPARE(written(OnlineNumber()).value(QStringLiteral("expirationDate")).toLongLong(), 0);
}

void TestRecords::voicemailDatesAndDenomination()
{
    Voicemail voicemail(
        tree(R"({"activationDate":"2024-01-31","denomination":{"value":9,"type":1,"errorMessage":"x"}})"));
    QCOMPARE(voicemail.activationDate(), QDate(2024, 1, 31));
    QVERIFY(voicemail.expirationDate().isNull());
    QCOMPARE(voicemail.denomination().value(), 9);
    QVERIFY(voicemail.denomination().errorMessage().isEmpty());

    const QVariantMap map = written(voicemail);
    QCOMPARE(map.value(QStringLiteral("activationDate")).toDate(), QDate(2024, 1, 31));
    QCOMPARE(map.value(QStringLiteral("expirationDate")).typeId(), QMetaType::QDate);
    QCOMPARE(text(map.value(QStringLiteral("denomination"))),
             QByteArray(R"({"class":"com.dravomesh.phone.integration.Denomination","type":1,"value":9})"));
}

void TestRecords::denominationKeepsLow32Bits()
{
    QCOMPARE(Denomination(tree(R"({"value":4294967297})")).value(), 1);
    QCOMPARE(Denomination(tree(R"({"value":-2})")).value(), -2);
    QCOMPARE(Denomination(tree(R"({"value":2147483648})")).value(), -2147483647 - 1);
}

void TestRecords::callingCardKeepsNestedBalanceWithoutItsErrors()
{
    const CallingCard card(tree(R"({"errorMessage":"card","balance":{"credit":3.5,"currency":"USD",)"
                                R"("currencySymbol":"$","errorMessage":"inner"}})"));
    QCOMPARE(card.errorMessage(), QStringLiteral("card"));
    QCOMPARE(card.balance().credit(), 3.5);
    QCOMPARE(card.balance().currency(), QStringLiteral("USD"));
    QCOMPARE(card.balance().currencySymbol(), QStringLiteral("$"));
    QVERIFY(card.balance().errorMessage().isEmpty());
    QCOMPARE(card.balance().className(), kPrefix + QStringLiteral("Balance"));
}

void TestRecords::printers_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");

    QTest::newRow("RestObj")
        << printed(RestObj(tree(R"({"errorMessage":"E","fieldErrors":[{"field":"nick","errorCode":"c"}],)"
                                R"("fieldHints":[{"field":"f","code":"h","arguments":["a","b"]}]})")))
        << R"({errorMessage: "E" , fieldErrors: ( FieldError {field: "nick" , error: "c" }) ,)"
           R"( fieldHints: ( FieldHint {field: "f" , code: "h" , arguments: ("a", "b") }) })";
    // Names, numbers, addresses and dates of the user as ids.
    const auto id = [](const char *text) {
        return Trace::tag(QString::fromUtf8(text));
    };
    QTest::newRow("Group") << printed(Group(QStringLiteral("Work")))
                           << QString(R"(Group{ name: "%1" , errorMessage: "" })").arg(id("Work"));

    Contact contact(tree(R"({"nick":"ann1","firstName":"Ann","emails":["a@x.de"],"birthDate":"1980-02-29",)"
                         R"("phones":[{"type":"CELL","number":"+491"},{"type":"HOME","number":"+492"}]})"));
    QTest::newRow("Contact")
        << printed(contact)
        << QString(R"(Contact{  country: "" , emails: ("%1") , firstName: "%2" , lastName: "#-" ,)"
                   R"( phones: (PhoneNumber{ number: "%3" , type "CELL" , errorMessage: "" },)"
                   R"( PhoneNumber{ number: "%4" , type "HOME" , errorMessage: "" }) ,)"
                   R"( addressLine1: "#-" , addressLine2 "#-" , city: "#-" , postalCode: "#-" ,)"
                   R"( birthDate: "%5" , nick: "%6" , errorMessage: "" })")
               .arg(id("a@x.de"), id("Ann"), id("+491"), id("+492"), id("29-02-1980"), id("ann1"));
    QTest::newRow("OnlineNumber")
        << printed(OnlineNumber(
               QVariantMap {{QStringLiteral("number"), QStringLiteral("+4930")},
                            {QStringLiteral("expirationDate"), localMidnight(QDate(2026, 1, 2))}}))
        << QString(
               R"(OnlineNumber{  number: "%1" , status: "" , expirationDate: "02-01-2026" , errorMessage: "" })")
               .arg(id("+4930"));
    QTest::newRow("Voicemail")
        << printed(Voicemail(
               tree(R"({"activationDate":"2024-01-31","denomination":{"value":9,"type":1},"ringTimer":3})")))
        << R"(Voicemail{  activationDate: "31-01-2024" , expirationDate: "" , status: "" ,)"
           R"( denomination: Denomination{  value: 9 , type: 1 , errorMessage: "" } , autoRenewalEnabled: false ,)"
           R"( emailNotificationEnabled: false , mailOnBusyEnabled: false , mailOnErrorEnabled: false ,)"
           R"( mailOnNoAnswerEnabled: false , nbDaysToKeepMessages: 0 , ringTimer: 3 , errorMessage: "" })";
    QTest::newRow("CallingCard")
        << printed(CallingCard(
               tree(R"({"number":"7","balance":{"credit":2.5,"currency":"EUR","currencySymbol":"E"}})")))
        << QString(
               R"(CallingCard{  balance: Balance{  credit: 2.5 , currency: "EUR" , currencySymbol: "E" , errorMessage: "" })"
               R"( , number: "%1" , partitionCode: "#-" , productName: "" , errorMessage: "" })")
               .arg(id("7"));
}

void TestRecords::printers()
{
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QCOMPARE(output, expected);
}

void TestRecords::accountPrinterHidesPasswordsAndPersonalData()
{
    Account account;
    account.setUsername(QStringLiteral("ann"));
    account.setPassword(QStringLiteral("s3cret"));
    account.setSipPassword(QStringLiteral("sip-s3cret"));
    account.setEmails({QStringLiteral("a@x.de")});
    account.setFirstName(QStringLiteral("Ann"));
    account.setPhones({QStringLiteral("4930555"), QStringLiteral("4930666")});

    // The account's own names, addresses and numbers as ids too.
    QCOMPARE(printed(account),
             QString(R"(Account{  companyId: "" , country: "" , emails: ("%1") , firstName: "%2" ,)"
                     R"( lastName: "#-" , language: "" , username "%3" , password "********" ,)"
                     R"( phones: ("%4", "%5") , errorMessage: "" })")
                 .arg(Trace::tag(QStringLiteral("a@x.de")), Trace::tag(QStringLiteral("Ann")),
                      Trace::tag(QStringLiteral("ann")), Trace::tag(QStringLiteral("4930555")),
                      Trace::tag(QStringLiteral("4930666"))));
}

void TestRecords::recordsTravelThroughQueuedConnections()
{
    Contact contact(tree(R"({"nick":"ann","errorMessage":"E","phones":[{"type":"WORK","number":"+491"}]})"));

    // A signal emitted on another thread reaches the receiver's thread by queue.
    Sender sender;
    Receiver receiver;
    connect(&sender, &Sender::contacts, &receiver, &Receiver::onContacts, Qt::QueuedConnection);
    QSignalSpy balances(&sender, &Sender::balance);
    QThread *worker = QThread::create([&] {
        emit sender.contacts({contact});
        emit sender.balance(Balance(tree(R"({"credit":4.5})")));
    });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;
    QVERIFY(receiver.received.isEmpty());
    QTRY_COMPARE(receiver.received.size(), 1);
    QCOMPARE(receiver.received.first().nick(), QStringLiteral("ann"));
    QCOMPARE(receiver.received.first().errorMessage(), QStringLiteral("E"));
    QCOMPARE(receiver.received.first().phones().first().type(), 1);
    QCOMPARE(balances.size(), 1);
    QCOMPARE(balances.first().first().value<Balance>().credit(), 4.5);

    // Queued calls by name need the types registered by name.
    receiver.received.clear();
    const QList<Contact> pair {contact, contact};
    QVERIFY(QMetaObject::invokeMethod(&receiver, "onContacts", Qt::QueuedConnection,
                                      Q_ARG(QList<Contact>, pair)));
    QTRY_COMPARE(receiver.received.size(), 2);
    for (const char *name : {"Contact", "QList<Contact>", "QList<Group>", "QList<OnlineNumber>", "Account",
                             "SMS", "Invite", "Voicemail", "CallingCard"})
        QVERIFY2(QMetaType::fromName(name).isValid(), name);
}

LINKORA_TEST_MAIN(TestRecords)
#include "tst_records.moc"
