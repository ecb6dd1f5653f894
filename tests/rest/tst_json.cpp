#include "rest/json.h"
#include "support/testenvironment.h"

#include <QDate>
#include <QUrl>
#include <QtTest>

#include <limits>

namespace {

QString describe(const QVariant &value)
{
    QString text;
    QDebug(&text) << value;
    return text;
}

// QVariant's operator== compares numbers by value; the codec's contract is
// about the types too.
bool sameTree(const QVariant &a, const QVariant &b)
{
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::QVariantList) {
        const QVariantList left = a.toList();
        const QVariantList right = b.toList();
        if (left.size() != right.size())
            return false;
        for (qsizetype i = 0; i < left.size(); ++i) {
            if (!sameTree(left.at(i), right.at(i)))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap left = a.toMap();
        const QVariantMap right = b.toMap();
        if (left.keys() != right.keys())
            return false;
        for (auto it = left.cbegin(); it != left.cend(); ++it) {
            if (!sameTree(it.value(), right.value(it.key())))
                return false;
        }
        return true;
    }
    return a == b;
}

QString nested(const QString &open, const QString &close, int depth)
{
    return open.repeated(depth) + QStringLiteral("1") + close.repeated(depth);
}

QVariant u(qulonglong v)
{
    return QVariant(v);
}

QVariant i(qlonglong v)
{
    return QVariant(v);
}

QVariant s(const char *utf8)
{
    return QVariant(QString::fromUtf8(utf8));
}

const QVariant kNull;

} // namespace

class TestJson : public QObject
{
    Q_OBJECT

private slots:
    void serialize_data();
    void serialize();
    void serializeFailures_data();
    void serializeFailures();
    void parse_data();
    void parse();
    void nullTextIsNullWithoutFailure();
    void nestingDepth_data();
    void nestingDepth();
    void roundTripOfTrees_data();
    void roundTripOfTrees();
    void roundTripOfText();
};

void TestJson::serialize_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("invalid") << kNull << QByteArray("null");
    QTest::newRow("Qt 6 JSON null") << QVariant::fromValue(nullptr) << QByteArray("null");
    QTest::newRow("empty list") << QVariant(QVariantList()) << QByteArray("[  ]");
    QTest::newRow("empty map") << QVariant(QVariantMap()) << QByteArray("{  }");
    QTest::newRow("map in key order")
        << QVariant(QVariantMap {{QStringLiteral("b"), 1}, {QStringLiteral("a"), QVariantList {true, kNull}}})
        << QByteArray("{ \"a\" : [ true, null ], \"b\" : 1 }");
    QTest::newRow("upper case keys first")
        << QVariant(QVariantMap {{QStringLiteral("a"), false}, {QStringLiteral("B"), false}})
        << QByteArray("{ \"B\" : false, \"a\" : false }");
    QTest::newRow("keys escaped") << QVariant(QVariantMap {{QStringLiteral("a\"\x01"), 1}})
                                  << QByteArray(R"({ "a\"\u0001" : 1 })");
    QTest::newRow("string list") << QVariant(QStringList {QStringLiteral("x"), QStringLiteral("y\n")})
                                 << QByteArray(R"([ "x", "y\n" ])");

    QTest::newRow("double 100") << QVariant(100.0) << QByteArray("100.0");
    QTest::newRow("double 0.5") << QVariant(0.5) << QByteArray("0.5");
    QTest::newRow("double 0.1") << QVariant(0.1) << QByteArray("0.10000000000000000555");
    QTest::newRow("double -12.5") << QVariant(-12.5) << QByteArray("-12.5");
    QTest::newRow("double 1e21") << QVariant(1e21) << QByteArray("1e+21");
    QTest::newRow("double 1e-7") << QVariant(1e-7) << QByteArray("9.9999999999999995475e-08");
    QTest::newRow("float as a number") << QVariant(2.5f) << QByteArray("2.5");
    QTest::newRow("int 100") << QVariant(100) << QByteArray("100");
    QTest::newRow("int -7") << QVariant(-7) << QByteArray("-7");
    QTest::newRow("uint max") << QVariant(std::numeric_limits<uint>::max()) << QByteArray("4294967295");
    QTest::newRow("qlonglong min") << i(std::numeric_limits<qlonglong>::min())
                                   << QByteArray("-9223372036854775808");
    QTest::newRow("qulonglong max") << u(std::numeric_limits<qulonglong>::max())
                                    << QByteArray("18446744073709551615");
    QTest::newRow("true") << QVariant(true) << QByteArray("true");
    QTest::newRow("false") << QVariant(false) << QByteArray("false");

    QTest::newRow("null string") << QVariant(QString()) << QByteArray("\"\"");
    QTest::newRow("escapes") << s("\"\\\n/\b\f\r\t") << QByteArray(R"("\"\\\n/\b\f\r\t")");
    QTest::newRow("other controls") << QVariant(QString(QChar(0)) + QChar(0x1f) + QChar(0x7f))
                                    << QByteArray("\"\\u0000\\u001f\x7f\"");
    QTest::newRow("non-ASCII as UTF-8") << s("é€😀") << QByteArray("\"é€😀\"");
    QTest::newRow("byte array as Latin-1") << QVariant(QByteArray("caf\xe9")) << QByteArray("\"café\"");
    QTest::newRow("date as text") << QVariant(QDate(1980, 2, 29)) << QByteArray("\"1980-02-29\"");
    QTest::newRow("url as text") << QVariant(QUrl(QStringLiteral("https://example.org/a?b=c")))
                                 << QByteArray("\"https://example.org/a?b=c\"");
}

void TestJson::serialize()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);

    bool ok = false;
    const QByteArray text = Json::serialize(value, ok);
    QVERIFY(ok);
    QCOMPARE(text, expected);
    QCOMPARE(Json::serialize(value), expected);
}

void TestJson::serializeFailures_data()
{
    const QVariant hash(QVariantHash {{QStringLiteral("k"), 1}});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    QTest::addColumn<QVariant>("value");
    QTest::newRow("hash") << hash;
    QTest::newRow("hash deep in a map") << QVariant(
        QVariantMap {{QStringLiteral("a"), 1},
                     {QStringLiteral("b"), QVariantList {2, QVariantMap {{QStringLiteral("c"), hash}}}},
                     {QStringLiteral("d"), 3}});
    QTest::newRow("NaN") << QVariant(nan);
    QTest::newRow("infinity") << QVariant(inf);
    QTest::newRow("minus infinity") << QVariant(-inf);
    QTest::newRow("float infinity") << QVariant(std::numeric_limits<float>::infinity());
    QTest::newRow("NaN in a list") << QVariant(QVariantList {1, nan});
}

void TestJson::serializeFailures()
{
    QFETCH(QVariant, value);

    bool ok = true;
    const QByteArray text = Json::serialize(value, ok);
    QVERIFY(!ok);
    QVERIFY2(text.isNull(), text.constData());
    QVERIFY(Json::serialize(value).isNull());
}

void TestJson::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QVariant>("expected");

    const QVariant noList(QVariantList {});
    const QVariant noMap(QVariantMap {});

    QTest::newRow("empty") << QString(QLatin1String("")) << false << kNull;
    QTest::newRow("blanks only") << QStringLiteral(" \t\r\n") << false << kNull;
    QTest::newRow("form feed is no blank") << QStringLiteral("\f1") << false << kNull;
    QTest::newRow("unknown character") << QStringLiteral("@") << false << kNull;

    QTest::newRow("number forms") << QStringLiteral("[1, 2.5, -3, \"x\", 1e3]") << true
                                  << QVariant(QVariantList {u(1), 2.5, i(-3), s("x"), 1000.0});
    QTest::newRow("exponents") << QStringLiteral("[1E2, -2.5e-3, 1e+2, 7.]") << true
                               << QVariant(QVariantList {100.0, -0.0025, 100.0, 7.0});
    QTest::newRow("no leading digit") << QStringLiteral("[.5]") << false << noList;
    QTest::newRow("zeros") << QStringLiteral("[0, -0, 0.0]") << true
                           << QVariant(QVariantList {u(0), i(0), 0.0});
    QTest::newRow("64-bit limits") << QStringLiteral("[18446744073709551615, -9223372036854775808]") << true
                                   << QVariant(QVariantList {u(std::numeric_limits<qulonglong>::max()),
                                                             i(std::numeric_limits<qlonglong>::min())});
    QTest::newRow("beyond 64 bits") << QStringLiteral("[18446744073709551616, -9223372036854775809]") << true
                                    << QVariant(
                                           QVariantList {18446744073709551616.0, -9223372036854775809.0});
    QTest::newRow("unreadable runs") << QStringLiteral("[1-2, 1.2.3, 1e999]") << true
                                     << QVariant(QVariantList {u(0), 0.0, 0.0});

    QTest::newRow("words") << QStringLiteral("[true,false,null]") << true
                           << QVariant(QVariantList {true, false, kNull});
    QTest::newRow("word prefix") << QStringLiteral("nullx") << true << kNull;
    QTest::newRow("short word") << QStringLiteral("tru") << false << kNull;
    QTest::newRow("trailing text ignored") << QStringLiteral("true false") << true << QVariant(true);
    QTest::newRow("trailing garbage ignored") << QStringLiteral("{} ]]@") << true << noMap;

    QTest::newRow("empty containers") << QStringLiteral(" [ [], {}, [ ], { } ] ") << true
                                      << QVariant(QVariantList {noList, noMap, noList, noMap});
    QTest::newRow("whitespace") << QStringLiteral("\t{\r\n \"a\"\n:\t[ 1 ,\r 2 ]\n}\n") << true
                                << QVariant(QVariantMap {{QStringLiteral("a"), QVariantList {u(1), u(2)}}});
    QTest::newRow("commas optional") << QStringLiteral("[1 2]") << true
                                     << QVariant(QVariantList {u(1), u(2)});
    QTest::newRow("extra commas") << QStringLiteral("[,1,,2,]") << true
                                  << QVariant(QVariantList {u(1), u(2)});
    QTest::newRow("trailing comma in object")
        << QStringLiteral("{\"a\":1,}") << true << QVariant(QVariantMap {{QStringLiteral("a"), u(1)}});
    QTest::newRow("repeated key") << QStringLiteral("{\"k\":1,\"k\":2}") << true
                                  << QVariant(QVariantMap {{QStringLiteral("k"), u(2)}});

    QTest::newRow("missing colon") << QStringLiteral("{\"a\" 1}") << false << noMap;
    QTest::newRow("missing value") << QStringLiteral("{\"a\":}") << false << noMap;
    QTest::newRow("open object") << QStringLiteral("{\"a\":1") << false << noMap;
    QTest::newRow("open array") << QStringLiteral("[1, 2") << false << noList;
    QTest::newRow("bad element") << QStringLiteral("[1, @]") << false << noList;
    QTest::newRow("failure inside") << QStringLiteral("[1, {\"a\": [2, ]") << false << noList;
    QTest::newRow("open string") << QStringLiteral("\"abc") << false << kNull;
    QTest::newRow("backslash at end") << QStringLiteral("\"abc\\") << false << kNull;

    QTest::newRow("escapes") << QStringLiteral(R"("\"\\\/\b\f\n\r\t")") << true << s("\"\\/\b\f\n\r\t");
    QTest::newRow("unknown escape dropped") << QStringLiteral("\"a\\qb\"") << true << s("ab");
    // Found by fuzzing: the escaped character is outside the BMP, two UTF-16 units.
    QTest::newRow("unknown escape of a pair dropped whole") << QStringLiteral("\"a\\😀b\"") << true << s("ab");
    QTest::newRow("raw control characters kept") << QStringLiteral("\"a\x01\tb\"") << true << s("a\x01\tb");
    QTest::newRow("u escape") << QStringLiteral("\"\\u00e9\\u00C9\"") << true << s("éÉ");
    QTest::newRow("literal non-ASCII") << QStringLiteral("\"é€\"") << true << s("é€");
    QTest::newRow("u escape of NUL") << QStringLiteral("\"a\\u0000b\"") << true
                                     << QVariant(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("surrogate pair") << QStringLiteral("\"\\ud83d\\ude00\"") << true << s("😀");
    QTest::newRow("literal pair") << QStringLiteral("\"😀\"") << true << s("😀");
    QTest::newRow("lone high surrogate") << QStringLiteral("\"\\ud83dx\\ud83d\\u0041\"") << true
                                         << s("\xef\xbf\xbdx\xef\xbf\xbd"
                                              "A");
    QTest::newRow("lone low surrogate") << QStringLiteral("\"\\ude00\"") << true << s("\xef\xbf\xbd");
    QTest::newRow("short u escape") << QStringLiteral("\"\\u12\"") << false << kNull;
    QTest::newRow("u escape not hex") << QStringLiteral("\"\\u00zz\"") << false << kNull;
    QTest::newRow("u escape with sign") << QStringLiteral("\"\\u+041\"") << false << kNull;
}

void TestJson::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QVariant, expected);

    bool parsedOk = !ok;
    const QVariant value = Json::parse(text, parsedOk);
    QCOMPARE(parsedOk, ok);
    QVERIFY2(sameTree(value, expected), qPrintable(describe(value)));
}

void TestJson::nullTextIsNullWithoutFailure()
{
    bool ok = false;
    const QVariant value = Json::parse(QString(), ok);
    QVERIFY(ok);
    QVERIFY(!value.isValid());
}

void TestJson::nestingDepth_data()
{
    const QString array[] = {QStringLiteral("["), QStringLiteral("]")};
    const QString object[] = {QStringLiteral("{\"k\":"), QStringLiteral("}")};

    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("arrays at the limit") << nested(array[0], array[1], Json::MaxDepth) << true;
    QTest::newRow("arrays past the limit") << nested(array[0], array[1], Json::MaxDepth + 1) << false;
    QTest::newRow("objects at the limit") << nested(object[0], object[1], Json::MaxDepth) << true;
    QTest::newRow("objects past the limit") << nested(object[0], object[1], Json::MaxDepth + 1) << false;
    QTest::newRow("arrays 100000 deep") << nested(array[0], array[1], 100000) << false;
    QTest::newRow("objects 100000 deep") << nested(object[0], object[1], 100000) << false;
    QTest::newRow("100000 open brackets") << array[0].repeated(100000) << false;
    QTest::newRow("siblings do not add up") << QStringLiteral("[")
            + QStringList(3, nested(array[0], array[1], Json::MaxDepth - 1)).join(QLatin1Char(','))
            + QStringLiteral("]") << true;
}

void TestJson::nestingDepth()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);

    bool parsedOk = !ok;
    const QVariant value = Json::parse(text, parsedOk);
    QCOMPARE(parsedOk, ok);
    if (ok) {
        // The tree is whole and writes back to the same text, blanks aside.
        const QByteArray written = Json::serialize(value);
        QCOMPARE(QString::fromUtf8(written).remove(QLatin1Char(' ')), text);
    }
}

void TestJson::roundTripOfTrees_data()
{
    QTest::addColumn<QVariant>("tree");

    const QVariantMap phone {{QStringLiteral("class"), s("com.dravomesh.phone.integration.PhoneNumber")},
                             {QStringLiteral("number"), s("+49 (30) 1234-567")},
                             {QStringLiteral("type"), s("CELL")}};
    QTest::newRow("contact") << QVariant(QVariantMap {
        {QStringLiteral("class"), s("com.dravomesh.phone.integration.Contact")},
        {QStringLiteral("nick"), s("zoë/42")},
        {QStringLiteral("firstName"), s("Zoë \"Z\"")},
        {QStringLiteral("lastName"), s("Ødegård\\Łukasz")},
        {QStringLiteral("emails"), QVariantList {s("zoe@example.org"), s("")}},
        {QStringLiteral("phones"), QVariantList {phone, phone}},
        {QStringLiteral("groupName"), s("Friends 😀")},
        {QStringLiteral("notes"), QVariant(QString(QChar(0)) + QChar(7) + QStringLiteral("\r\n\t\b\f"))}});
    QTest::newRow("numbers") << QVariant(QVariantList {u(0), u(std::numeric_limits<qulonglong>::max()),
                                                       i(std::numeric_limits<qlonglong>::min()), i(-1), 0.1,
                                                       -2.5e-300, 1e300, 1.0, 123456789.125});
    QTest::newRow("empty and null") << QVariant(QVariantList {
        QVariantList {}, QVariantMap {}, kNull, s(""), QVariantMap {{QString(), QVariantList {kNull}}}});
}

void TestJson::roundTripOfTrees()
{
    QFETCH(QVariant, tree);

    bool ok = false;
    const QByteArray text = Json::serialize(tree, ok);
    QVERIFY(ok);
    const QVariant back = Json::parse(QString::fromUtf8(text), ok);
    QVERIFY(ok);
    QVERIFY2(sameTree(back, tree), text.constData());
}

void TestJson::roundTripOfText()
{
    // A reply written in the client's own layout reads and writes back unchanged.
    const QByteArray text
        = "[ { \"class\" : \"com.dravomesh.phone.integration.Group\", \"name\" : \"Work\" }, "
          "{ \"a\" : [ 1, -2, 3.5, true, false, null, [  ], {  } ], \"b\" : \"\\u001b\\\"\" } ]";
    bool ok = false;
    const QVariant value = Json::parse(QString::fromUtf8(text), ok);
    QVERIFY(ok);
    QCOMPARE(Json::serialize(value), text);
}

LINKORA_TEST_MAIN(TestJson)
#include "tst_json.moc"
