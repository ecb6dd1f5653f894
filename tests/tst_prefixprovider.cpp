#include "prefixprovider.h"
#include "support/testenvironment.h"
#include "virtualnumber.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QListWidgetItem>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <memory>

namespace {

using ItemList = std::vector<std::unique_ptr<QListWidgetItem>>;

ItemList takeItems(const PrefixProvider &provider)
{
    ItemList items;
    const QList<QListWidgetItem *> raw = provider.countryListItems();
    for (QListWidgetItem *item : raw)
        items.emplace_back(item);
    return items;
}

// The rows of the shipped table as (image number, prefix, name, code), read independently of the provider.
QList<QStringList> shippedRows()
{
    QFile file(QStringLiteral(":/data/countries.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().split('\n');
    QList<QStringList> rows;
    for (int i = 2; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines.at(i)).trimmed();
        if (line.isEmpty())
            continue;
        QStringList parts = line.split(QLatin1Char(','));
        for (QString &part : parts)
            part = part.trimmed();
        rows.append(parts);
    }
    return rows;
}

QString writeTable(const QString &caseName, const QList<QByteArray> &lines)
{
    const QString path = TestEnvironment::freshDirectory(caseName) + QStringLiteral("/countries.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    for (const QByteArray &line : lines)
        file.write(line + "\r\n");
    return path;
}

void expectWarning(const QString &pattern)
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("\\[WARNING\\]: .*") + pattern));
}

bool sameImage(const QPixmap &a, const QPixmap &b)
{
    return !a.isNull() && !b.isNull() && a.toImage() == b.toImage();
}

} // namespace

class TestPrefixProvider : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void shippedTableHasAllRowsAndCountries();
    void shippedTableKeepsPrefixesUnambiguous();
    void everyCountryShowsItsFlag();
    void prefixOfNumber_data();
    void prefixOfNumber();
    void flagsFollowNumbersAndCodes();
    void prefixesAtIndex();
    void listItemsCarryTheirCountry();
    void foreignItemsGiveNothing();
    void namesAreReadAsLatin1();

    void parserSkipsBadRowsAndMergesConsecutiveOnes();
    void countryWithoutFlagIsStillRecognised();
    void missingOrTruncatedTableGivesEmptyTable();

    void virtualNumberTakesFlagOfCountryCode();

private:
    std::unique_ptr<PrefixProvider> m_provider;
};

void TestPrefixProvider::initTestCase()
{
    m_provider = std::make_unique<PrefixProvider>();
}

void TestPrefixProvider::shippedTableHasAllRowsAndCountries()
{
    const QList<QStringList> rows = shippedRows();
    QCOMPARE(rows.size(), 264);
    for (const QStringList &row : rows)
        QVERIFY2(row.size() == 4, qPrintable(row.join(QLatin1Char('|'))));

    const ItemList items = takeItems(*m_provider);
    QCOMPARE(int(items.size()), 234);
    int prefixCount = 0;
    for (const auto &item : items)
        prefixCount += m_provider->prefixesForItem(item.get()).size();
    QCOMPARE(prefixCount, 264);

    QCOMPARE(m_provider->countryNameForItem(items.front().get()), QStringLiteral("Afghanistan"));
    QCOMPARE(m_provider->countryNameForItem(items.back().get()), QStringLiteral("Zimbabwe"));
    QCOMPARE(rows.first().at(3), QStringLiteral("AF"));
    QCOMPARE(rows.last().at(3), QStringLiteral("ZW"));
    QCOMPARE(rows.first().at(0), QStringLiteral("1"));
    QCOMPARE(rows.last().at(0), QStringLiteral("830"));
}

void TestPrefixProvider::shippedTableKeepsPrefixesUnambiguous()
{
    // The number entry writes a country's first prefix, so only Canada may have several,
    // and a prefix shared by two countries would hide the second one.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
    QSet<QString> seen;
    QStringList singleDigit;
    const ItemList items = takeItems(*m_provider);
    for (const auto &item : items) {
        const QString name = m_provider->countryNameForItem(item.get());
        const QStringList prefixes = m_provider->prefixesForItem(item.get());
        QVERIFY2(prefixes.size() == 1 || name == QLatin1String("Canada"), qPrintable(name));
        for (const QString &prefix : prefixes) {
            QVERIFY2(digits.match(prefix).hasMatch(), qPrintable(name + QLatin1Char(' ') + prefix));
            QVERIFY2(!seen.contains(prefix), qPrintable(prefix));
            seen.insert(prefix);
            if (prefix.size() == 1)
                singleDigit << prefix;
        }
    }
    singleDigit.sort();
    QCOMPARE(singleDigit, QStringList({QStringLiteral("1"), QStringLiteral("7")}));

    const QStringList canada = m_provider->prefixesAt(m_provider->indexOfPrefix(QStringLiteral("1000")));
    QCOMPARE(canada.size(), 31);
    QCOMPARE(canada.first(), QStringLiteral("1000"));
    QCOMPARE(canada.at(1), QStringLiteral("1204"));
    QCOMPARE(canada.last(), QStringLiteral("1905"));
}

void TestPrefixProvider::everyCountryShowsItsFlag()
{
    const QDir package(QStringLiteral(LINKORA_FLAG_IMAGES_DIR));
    // Codes of the table that are no ISO codes, and the ISO code of the flag they fly.
    const QHash<QString, QString> iso {
        {"AK", "us"}, {"ASIS", "sh"}, {"DGGR", "io"}, {"FRAN", "fr"}, {"PLIR", "ps"}};
    QStringList placeholders;
    for (const QStringList &row : shippedRows()) {
        const QString image
            = package.filePath(iso.value(row.at(3), row.at(3).toLower()) + QStringLiteral(".png"));
        const QPixmap flag = m_provider->flagForCountryCode(row.at(3));
        if (QFile::exists(image))
            QVERIFY2(sameImage(flag, QPixmap(image)), qPrintable(row.at(2)));
        else if (sameImage(flag, PrefixProvider::missingFlag()) && !placeholders.contains(row.at(2)))
            placeholders << row.at(2);
    }
    QCOMPARE(
        placeholders,
        QStringList({QStringLiteral("Antarctica"), QStringLiteral("Bonaire"), QStringLiteral("Curaçao")}));
    QVERIFY(sameImage(m_provider->flagForNumber(QStringLiteral("+44 20 7946 0000")),
                      QPixmap(package.filePath(QStringLiteral("gb.png")))));
}

void TestPrefixProvider::prefixOfNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("prefix");

    // clang-format off
    QTest::newRow("plus")                                << "+442071234567"   << "44";
    QTest::newRow("double zero")                         << "00442071234567"  << "44";
    QTest::newRow("plus and zeros")                      << "+00442071234567" << "44";
    QTest::newRow("surrounding spaces")                  << "  +4420  "       << "44";
    QTest::newRow("dashes anywhere")                     << "4-4-20"          << "44";
    QTest::newRow("three characters")                    << "442"             << "44";
    QTest::newRow("prefix alone")                        << "44"              << "44";
    QTest::newRow("Canada area code")                    << "12045551234"     << "1204";
    QTest::newRow("Canada last area code")               << "1-905-555-1234"  << "1905";
    QTest::newRow("US area code")                        << "12125551234"     << "1";
    QTest::newRow("Alaska")                              << "+19075551234"    << "1907";
    QTest::newRow("Caribbean")                           << "12425551234"     << "1242";
    QTest::newRow("Russia")                              << "74951234567"     << "7";
    QTest::newRow("longer beats shorter")                << "77011234567"     << "77";
    QTest::newRow("four digit prefix")                   << "67231234"        << "6723";
    QTest::newRow("space inside stops the longer match") << "1 204 555"       << "1";
    QTest::newRow("no country")                          << "4"               << "";
    QTest::newRow("letters")                             << "abc44"           << "";
    QTest::newRow("letter after plus")                   << "+a44"            << "";
    QTest::newRow("second plus")                         << "++44"            << "";
    QTest::newRow("zeros only")                          << "000"             << "";
    QTest::newRow("dash only")                           << "-"               << "";
    QTest::newRow("empty")                               << ""                << "";
    // clang-format on
}

void TestPrefixProvider::prefixOfNumber()
{
    QFETCH(QString, number);
    QFETCH(QString, prefix);
    QCOMPARE(m_provider->prefixOfNumber(number), prefix);
}

void TestPrefixProvider::flagsFollowNumbersAndCodes()
{
    const QPixmap uk = m_provider->flagForCountryCode(QStringLiteral("GB"));
    QVERIFY(sameImage(m_provider->flagForNumber(QStringLiteral("+44 20 7123")), uk));
    QVERIFY(sameImage(m_provider->flagForNumber(QStringLiteral("1204555")),
                      m_provider->flagForCountryCode(QStringLiteral("CA"))));
    QVERIFY(sameImage(m_provider->flagForNumber(QStringLiteral("1212555")),
                      m_provider->flagForCountryCode(QStringLiteral("US"))));
    QVERIFY(!sameImage(m_provider->flagForCountryCode(QStringLiteral("US")),
                       m_provider->flagForCountryCode(QStringLiteral("CA"))));
    QVERIFY(!m_provider->flagForCountryCode(QStringLiteral("ANUS")).isNull());

    QVERIFY(m_provider->flagForNumber(QStringLiteral("000")).isNull());
    QVERIFY(m_provider->flagForCountryCode(QStringLiteral("gb")).isNull());
    QVERIFY(m_provider->flagForCountryCode(QStringLiteral("G")).isNull());
    QVERIFY(m_provider->flagForCountryCode(QString()).isNull());
}

void TestPrefixProvider::prefixesAtIndex()
{
    QCOMPARE(m_provider->prefixesAt(0), QStringList {QStringLiteral("93")});
    QCOMPARE(m_provider->indexOfPrefix(QStringLiteral("93")), 0);
    QCOMPARE(m_provider->prefixesAt(233), QStringList {QStringLiteral("263")});
    QVERIFY(m_provider->prefixesAt(-1).isEmpty());
    QVERIFY(m_provider->prefixesAt(234).isEmpty());

    QCOMPARE(m_provider->indexOfPrefix(QStringLiteral("1905")),
             m_provider->indexOfPrefix(QStringLiteral("1000")));
    QCOMPARE(m_provider->indexOfPrefix(QStringLiteral("12")), -1);
    QCOMPARE(m_provider->indexOfPrefix(QStringLiteral("+44")), -1);
    QCOMPARE(m_provider->indexOfPrefix(QString()), -1);
}

void TestPrefixProvider::listItemsCarryTheirCountry()
{
    const ItemList items = takeItems(*m_provider);
    const int uk = m_provider->indexOfPrefix(QStringLiteral("44"));
    QVERIFY(uk >= 0);
    QListWidgetItem *item = items.at(uk).get();
    QCOMPARE(item->text(), QStringLiteral("United Kingdom"));
    QCOMPARE(item->toolTip(), QStringLiteral("United Kingdom"));
    QCOMPARE(item->sizeHint(), QSize(1, 27));
    QVERIFY(!item->icon().isNull());
    QCOMPARE(m_provider->countryNameForItem(item), QStringLiteral("United Kingdom"));
    QCOMPARE(m_provider->prefixesForItem(item), QStringList {QStringLiteral("44")});
    QVERIFY(sameImage(m_provider->flagForItem(item), m_provider->flagForCountryCode(QStringLiteral("GB"))));
}

void TestPrefixProvider::foreignItemsGiveNothing()
{
    QListWidgetItem plain(QStringLiteral("United Kingdom"));
    QVERIFY(m_provider->flagForItem(&plain).isNull());
    QVERIFY(m_provider->countryNameForItem(&plain).isEmpty());
    QVERIFY(m_provider->prefixesForItem(&plain).isEmpty());
    QVERIFY(m_provider->flagForItem(nullptr).isNull());
    QVERIFY(m_provider->countryNameForItem(nullptr).isEmpty());
    QVERIFY(m_provider->prefixesForItem(nullptr).isEmpty());
}

void TestPrefixProvider::namesAreReadAsLatin1()
{
    const ItemList items = takeItems(*m_provider);
    const auto nameOf = [&](const char *prefix) {
        return items.at(m_provider->indexOfPrefix(QString::fromLatin1(prefix)))->text();
    };
    QCOMPARE(nameOf("262"), QStringLiteral("Réunion"));
    QCOMPARE(nameOf("5999"), QStringLiteral("Curaçao"));
    QCOMPARE(nameOf("225"), QStringLiteral("Côte d'Ivoire"));
}

void TestPrefixProvider::parserSkipsBadRowsAndMergesConsecutiveOnes()
{
    const QString path = writeTable(QStringLiteral("parser"),
                                    {
                                        "IMG   PREF   COUNTRY_NAME              CODE", // 1
                                        "", // 2
                                        "1    ,93    , Afghanistan  ,AF  ", // 3
                                        "", // 4
                                        "5    ,1907  ,Alaska", // 5: three parts
                                        "8    ,355   ,     ,AL", // 6: no name
                                        "140  ,1000  ,Canada ,CA", // 7
                                        "999  ,1204  ,Canada ,XX", // 8: joins Canada, flag unused
                                        "1,2,3,4,5", // 9: five parts
                                        "830  ,263   ,Zimbabwe ,ZW", // 10
                                        "140  ,1226  ,Canada ,CA", // 11: not adjacent, a new country
                                    });
    expectWarning(QStringLiteral("invalid entry with 3 .*countries\\.txt\" : 5$"));
    expectWarning(QStringLiteral("Ignoring country entry with empty name in line 6$"));
    expectWarning(QStringLiteral("invalid entry with 5 .*countries\\.txt\" : 9$"));
    const PrefixProvider provider(path);

    const ItemList items = takeItems(provider);
    QStringList names;
    for (const auto &item : items)
        names << provider.countryNameForItem(item.get());
    QCOMPARE(names,
             QStringList({QStringLiteral("Afghanistan"), QStringLiteral("Canada"), QStringLiteral("Zimbabwe"),
                          QStringLiteral("Canada")}));
    QCOMPARE(provider.prefixesAt(1), QStringList({QStringLiteral("1000"), QStringLiteral("1204")}));
    QCOMPARE(provider.prefixesAt(3), QStringList {QStringLiteral("1226")});
    QCOMPARE(provider.indexOfPrefix(QStringLiteral("1226")), 3);
    QCOMPARE(provider.prefixOfNumber(QStringLiteral("1907555")), QString());
    QCOMPARE(provider.prefixOfNumber(QStringLiteral("355")), QString());

    // Codes are trimmed (and the CR of the line end gone); a merged row's code is not used.
    QVERIFY(!provider.flagForCountryCode(QStringLiteral("AF")).isNull());
    QVERIFY(provider.flagForCountryCode(QStringLiteral("XX")).isNull());
    QVERIFY(sameImage(provider.flagForNumber(QStringLiteral("1204")),
                      provider.flagForCountryCode(QStringLiteral("CA"))));
}

void TestPrefixProvider::countryWithoutFlagIsStillRecognised()
{
    const QString path = writeTable(QStringLiteral("noflag"),
                                    {
                                        "IMG   PREF   COUNTRY_NAME              CODE",
                                        "",
                                        "1    ,93    ,Afghanistan ,AF",
                                        "999  ,888   ,Nowhere ,NW",
                                        "830  ,263   ,Zimbabwe ,ZW",
                                    });
    expectWarning(QStringLiteral("without flag in line 4$"));
    const PrefixProvider provider(path);

    QCOMPARE(provider.indexOfPrefix(QStringLiteral("888")), 1);
    QCOMPARE(provider.prefixOfNumber(QStringLiteral("+888 123")), QStringLiteral("888"));
    // Shown as a placeholder a user can tell from a flag.
    QVERIFY(sameImage(provider.flagForNumber(QStringLiteral("+888 123")), PrefixProvider::missingFlag()));
    QVERIFY(!sameImage(provider.flagForNumber(QStringLiteral("263")), PrefixProvider::missingFlag()));

    const ItemList items = takeItems(provider);
    QCOMPARE(int(items.size()), 3);
    QCOMPARE(items.at(1)->text(), QStringLiteral("Nowhere"));
    QVERIFY(!items.at(1)->icon().isNull());
}

void TestPrefixProvider::missingOrTruncatedTableGivesEmptyTable()
{
    const PrefixProvider missing(TestEnvironment::freshDirectory(QStringLiteral("missing"))
                                 + QStringLiteral("/countries.txt"));
    QVERIFY(missing.countryListItems().isEmpty());
    QVERIFY(missing.prefixOfNumber(QStringLiteral("44")).isEmpty());
    QVERIFY(missing.flagForNumber(QStringLiteral("44")).isNull());

    const QString headerOnly
        = writeTable(QStringLiteral("header"), {"IMG   PREF   COUNTRY_NAME              CODE"});
    QFile file(headerOnly);
    QVERIFY(file.resize(file.size() - 2)); // no line end after the header
    expectWarning(QStringLiteral("Invalid \".*countries\\.txt\" file!, Bailing out\\.$"));
    const PrefixProvider truncated(headerOnly);
    QVERIFY(truncated.countryListItems().isEmpty());
    QVERIFY(truncated.prefixesAt(0).isEmpty());
}

void TestPrefixProvider::virtualNumberTakesFlagOfCountryCode()
{
    const QDate expires(2012, 3, 31);
    VirtualNumber number(QStringLiteral("442071234567"), QStringLiteral("GB"), expires, m_provider.get());
    QCOMPARE(number.number(), QStringLiteral("442071234567"));
    QCOMPARE(number.expirationDate(), expires);
    QVERIFY(sameImage(number.flag(), m_provider->flagForCountryCode(QStringLiteral("GB"))));

    const VirtualNumber copy = number;
    number.setExpirationDate(expires.addYears(1));
    QCOMPARE(number.expirationDate(), expires.addYears(1));
    QCOMPARE(copy.expirationDate(), expires);

    QVERIFY(
        VirtualNumber(QStringLiteral("1"), QStringLiteral("QQ"), expires, m_provider.get()).flag().isNull());
    QVERIFY(VirtualNumber(QStringLiteral("1"), QStringLiteral("GB"), expires, nullptr).flag().isNull());
}

LINKORA_TEST_MAIN(TestPrefixProvider)
#include "tst_prefixprovider.moc"
