// Reading and writing a large contact-list reply, beside Qt's own JSON classes.
//
// Run a Release or RelWithDebInfo build, e.g.
//   build/benchmarks/bench_json -median 9
#include "rest/json.h"
#include "support/testenvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

const int ContactCount = 10000;

QString prefixed(const char *name)
{
    return QStringLiteral("com.dravomesh.phone.integration.") + QLatin1String(name);
}

// Shaped like the service's answer to the contact list request.
QVariantList contactList()
{
    const QStringList firstNames {QStringLiteral("Anna"),   QStringLiteral("Zoë"),  QStringLiteral("Łukasz"),
                                  QStringLiteral("Mehmet"), QStringLiteral("José"), QStringLiteral("Ingrid")};
    const QStringList lastNames {QStringLiteral("Lee"),     QStringLiteral("Müller"),
                                 QStringLiteral("Ødegård"), QStringLiteral("Kowalski"),
                                 QStringLiteral("O'Brien"), QStringLiteral("Nakamura")};
    const QStringList groups {QStringLiteral("Work"), QStringLiteral("Family"), QStringLiteral("Friends")};
    const QStringList kinds {QStringLiteral("HOME"), QStringLiteral("WORK"), QStringLiteral("CELL")};

    QVariantList contacts;
    contacts.reserve(ContactCount);
    for (int i = 0; i < ContactCount; ++i) {
        const QString first = firstNames.at(i % firstNames.size());
        const QString last = lastNames.at((i / 7) % lastNames.size());
        QVariantList phones;
        for (int p = 0; p <= i % 3; ++p) {
            phones.append(QVariantMap {
                {QStringLiteral("class"), prefixed("PhoneNumber")},
                {QStringLiteral("type"), kinds.at(p)},
                {QStringLiteral("number"), QStringLiteral("+49 30 %1").arg(1000000 + i * 3 + p)}});
        }
        contacts.append(QVariantMap {
            {QStringLiteral("class"), prefixed("Contact")},
            {QStringLiteral("nick"), first + QString::number(i)},
            {QStringLiteral("firstName"), first},
            {QStringLiteral("lastName"), last},
            {QStringLiteral("emails"), QVariantList {QStringLiteral("contact%1@example.org").arg(i)}},
            {QStringLiteral("phones"), phones},
            {QStringLiteral("groupName"), groups.at(i % groups.size())},
            {QStringLiteral("city"), QStringLiteral("Berlin")},
            {QStringLiteral("country"), QStringLiteral("DE")},
            {QStringLiteral("sipUser"), QString()}});
    }
    return contacts;
}

} // namespace

class BenchJson : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameTreeAsQJsonDocument();
    void parse();
    void decodeAndParse();
    void qjsonParse();
    void serialize();
    void qjsonSerialize();

private:
    QVariant m_tree;
    QByteArray m_body;
    QString m_text;
};

void BenchJson::initTestCase()
{
    m_tree = contactList();
    // The service's own layout is unknown; compact text is the harder case for us.
    m_body = QJsonDocument(QJsonArray::fromVariantList(m_tree.toList())).toJson(QJsonDocument::Compact);
    m_text = QString::fromUtf8(m_body);
    qInfo("reply: %d contacts, %lld bytes", ContactCount, qlonglong(m_body.size()));
}

void BenchJson::sameTreeAsQJsonDocument()
{
    bool ok = false;
    const QVariant ours = Json::parse(m_text, ok);
    QVERIFY(ok);
    const QVariant theirs = QJsonDocument::fromJson(m_body).toVariant();
    QCOMPARE(ours, theirs);
    QCOMPARE(ours, m_tree);

    const QByteArray written = Json::serialize(m_tree, ok);
    QVERIFY(ok);
    QCOMPARE(QJsonDocument::fromJson(written).toVariant(), theirs);
}

void BenchJson::parse()
{
    QVariant value;
    QBENCHMARK
    {
        bool ok = false;
        value = Json::parse(m_text, ok);
    }
    QCOMPARE(value.toList().size(), ContactCount);
}

// What a request does with a reply body.
void BenchJson::decodeAndParse()
{
    QVariant value;
    QBENCHMARK
    {
        bool ok = false;
        value = Json::parse(QString::fromUtf8(m_body), ok);
    }
    QCOMPARE(value.toList().size(), ContactCount);
}

void BenchJson::qjsonParse()
{
    QVariant value;
    QBENCHMARK
    {
        value = QJsonDocument::fromJson(m_body).toVariant();
    }
    QCOMPARE(value.toList().size(), ContactCount);
}

void BenchJson::serialize()
{
    QByteArray text;
    QBENCHMARK
    {
        text = Json::serialize(m_tree);
    }
    QVERIFY(!text.isNull());
}

void BenchJson::qjsonSerialize()
{
    QByteArray text;
    QBENCHMARK
    {
        text = QJsonDocument::fromVariant(m_tree).toJson(QJsonDocument::Compact);
    }
    QVERIFY(!text.isEmpty());
}

LINKORA_TEST_MAIN(BenchJson)
#include "bench_json.moc"
