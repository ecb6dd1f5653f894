#include "importcontacts/googleimporter.h"
#include "importcontacts/netutil.h"
#include "importcontacts/yahooimporter.h"
#include "support/testenvironment.h"

#include <QElapsedTimer>
#include <QtTest>

using Fields = QMap<QString, QString>;

class TestNetUtil : public QObject
{
    Q_OBJECT

private slots:
    void hmacSha1_data();
    void hmacSha1();
    void oauthSignatures_data();
    void oauthSignatures();
    void yahooContactListSignature();
    void parameterStringAndUrl();
    void signInPageIsReadLikeABrowser();
    void scraperRules();
    void hostilePagesStayLinear_data();
    void hostilePagesStayLinear();
    void feeds();
    void yahooAddress_data();
    void yahooAddress();
    void displayNameAndOrder();
};

void TestNetUtil::hmacSha1_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("base64");
    QTest::newRow("rfc2202-1") << QByteArray(20, '\x0b') << QByteArray("Hi There")
                               << QByteArray("thcxhlUFcmTii8C2+zeMjvFGvgA=");
    QTest::newRow("rfc2202-2") << QByteArray("Jefe") << QByteArray("what do ya want for nothing?")
                               << QByteArray("7/zfauXrL6LSdBbV8YTfnCWafHk=");
    QTest::newRow("rfc2202-3") << QByteArray(20, '\xaa') << QByteArray(50, '\xdd')
                               << QByteArray("El1zQrmsEc2Ro5r0iqF7T2PxddM=");
    QTest::newRow("rfc2202-4") << QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10111213141516171819")
                               << QByteArray(50, '\xcd') << QByteArray("TJAH9AJiUMa8hBT5v1DIbC1yNdo=");
    QTest::newRow("rfc2202-5") << QByteArray(20, '\x0c') << QByteArray("Test With Truncation")
                               << QByteArray("TBoDQktV4H/n8nvh1Yu5MkqaWgQ=");
    QTest::newRow("rfc2202-6") << QByteArray(80, '\xaa')
                               << QByteArray("Test Using Larger Than Block-Size Key - Hash Key First")
                               << QByteArray("qkrl4VJy0A6VcFY3zoo7Ve1AIRI=");
    QTest::newRow("rfc2202-7") << QByteArray(
        80, '\xaa') << QByteArray("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")
                               << QByteArray("6OmdD0UjfXhta7qnllx4CLv/GpE=");
    QTest::newRow("64-byte key, used as it is")
        << QByteArray(64, 'k') << QByteArray("msg") << QByteArray("GzcpVcUWK4uiChl0gzSY0/fscoo=");
    QTest::newRow("65-byte key, hashed first")
        << QByteArray(65, 'k') << QByteArray("msg") << QByteArray("t1oGce0t4DnAM+VED0v4Vk83/v4=");
}

void TestNetUtil::hmacSha1()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, base64);
    QCOMPARE(NetUtil::hmacSha1(message, key).toBase64(), base64);
    // The text form takes each character as one Latin-1 byte.
    QCOMPARE(NetUtil::hmacSha1(QString::fromLatin1(message), QString::fromLatin1(key)),
             QString::fromLatin1(base64));
}

void TestNetUtil::oauthSignatures_data()
{
    QTest::addColumn<Fields>("params");
    QTest::addColumn<QString>("signature");
    const Fields photos = {{"file", "vacation.jpg"},
                           {"size", "original"},
                           {"oauth_consumer_key", "dpf43f3p2l4k3l03"},
                           {"oauth_token", "nnch734d00sl2jdk"},
                           {"oauth_signature_method", "HMAC-SHA1"},
                           {"oauth_timestamp", "1191242096"},
                           {"oauth_nonce", "kllo9940pd9333jh"},
                           {"oauth_version", "1.0"},
                           {"oauth_signature", "left out of the base string"}};
    QTest::newRow("OAuth Core 1.0, appendix A") << photos << QStringLiteral("tR3+Ty81lMeYAr/Fid0kMTYa/WM=");
    Fields rfc5849 = photos;
    rfc5849.insert("oauth_timestamp", "137131202");
    rfc5849.insert("oauth_nonce", "chapoyc");
    rfc5849.remove("oauth_version");
    QTest::newRow("RFC 5849, section 1.2") << rfc5849 << QStringLiteral("GsSxoUHomXCkSSP65S7jM9vcC+o=");
}

void TestNetUtil::oauthSignatures()
{
    QFETCH(Fields, params);
    QFETCH(QString, signature);
    const QString url = QStringLiteral("http://photos.example.net/photos");
    const QString base = NetUtil::buildSignatureBaseString(QStringLiteral("GET"), url, params);
    QVERIFY(base.startsWith(
        "GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26oauth_consumer_key%3D"));
    QVERIFY(!base.contains("oauth_signature%3D"));
    QCOMPARE(NetUtil::signRequest(QStringLiteral("GET"), url, params, "kd94hf93k423kf44", "pfkkdhi9sl3r4s00"),
             signature);
}

void TestNetUtil::yahooContactListSignature()
{
    const YahooImporter::SignedRequest request = YahooImporter::signContactListRequest(
        "http://social.test/v1/user/GUIDABC123/contacts;count=max", "yahooapis.test", "ck-TEST-KEY--",
        "0123456789abcdef0123456789abcdef01234567", "tok%2Fabc%3D", "ts3cr3t", 1400000000123);
    QCOMPARE(
        request.baseString,
        "GET&http%3A%2F%2Fsocial.test%2Fv1%2Fuser%2FGUIDABC123%2Fcontacts%3Bcount%3Dmax&format%3Djson%"
        "26oauth_"
        "consumer_key%3Dck-TEST-KEY--%26oauth_nonce%3D1400000000123%26oauth_signature_method%3DHMAC-SHA1%26"
        "oauth_timestamp%3D1400000000%26oauth_token%3Dtok%252Fabc%253D%26oauth_version%3D1.0");
    QCOMPARE(
        request.authorization,
        "OAuth realm=\"yahooapis.test\",oauth_consumer_key=\"ck-TEST-KEY--\",oauth_nonce=\"1400000000123\","
        "oauth_signature_method=\"HMAC-SHA1\",oauth_timestamp=\"1400000000\",oauth_token=\"tok%2Fabc%3D\","
        "oauth_version=\"1.0\",oauth_signature=\"3ZPPRhfg5Li7hqVVDo81UIA8m2g%3D\"");
}

void TestNetUtil::parameterStringAndUrl()
{
    const Fields params = {{"b", "2"}, {"a", "1"}, {"oauth_x", "3"}};
    QCOMPARE(NetUtil::buildParameterString(params, true), "a=1&b=2");
    QCOMPARE(NetUtil::buildParameterString(params, false), "a=1&b=2&oauth_x=3");
    QCOMPARE(NetUtil::buildOAuthHeader(params, "r"), "OAuth realm=\"r\",oauth_x=\"3\"");
    QCOMPARE(NetUtil::normalizeUrl("https://Api.Example:8443/v1/x?q=1#f"), "https://api.example/v1/x");
    QVERIFY(!NetUtil::checkReplyIsOk(nullptr));
}

void TestNetUtil::signInPageIsReadLikeABrowser()
{
    const QString filler = QStringLiteral("<div class=\"ad\">&nbsp;<b>x</b></div>\n").repeated(6000);
    const QString page
        = "<html><body><form action='/search'><input name='q' value=''><input type=submit></form>" + filler
        + "<FORM method=post action='/login/verify?a=1&amp;b=2' data-action=\"/elsewhere\">"
          "<input type=hidden name=\".tries\" value=\"1\">"
          "<input type='hidden' id='challenge' value='a&amp;b&#x2F;&#61;'>"
          "<input type=\"text\" data-name=\"wrong\" name=\"login\" value=\"prefilled\"/>"
          "<input type=\"password\" name=\"passwd\">"
          "<input type=\"checkbox\" name=\".persistent\" checked>"
          "<input type=\"checkbox\" name=\".remember\" value=\"unchecked\">"
          "<input type=\"radio\" name=\"mode\" value=\"b\" checked><input type=\"radio\" name=\"mode\" "
          "value=\"c\">"
          "<input type=\"submit\" name=\".save\" value=\"Sign In\"><input type=\"submit\" name=\".help\" "
          "value=\"?\">"
          "<input type=\"reset\" name=\"clear\" value=\"x\"><input value=\"orphan\">"
          "</form>"
        + filler + "</body></html>";
    QVERIFY(page.size() > 400000);
    QCOMPARE(NetUtil::getForms(page).size(), 2);
    QVERIFY(NetUtil::getForm(page).contains("name='q'"));
    const QString form = NetUtil::getLoginForm(page);
    QVERIFY(form.startsWith("<FORM method=post") && form.endsWith("</form>"));
    QCOMPARE(NetUtil::getFormAction(form), "/login/verify?a=1&b=2");
    const Fields expected
        = {{".tries", "1"},         {"challenge", "a&b/="}, {"login", "prefilled"}, {"passwd", ""},
           {".persistent", "true"}, {"mode", "b"},          {".save", "Sign In"}};
    QCOMPARE(NetUtil::parseFormInputs(NetUtil::getInputs(form)), expected);
}

void TestNetUtil::scraperRules()
{
    QCOMPARE(NetUtil::getFormEncodedValue("xdone=EVIL&.done=real", ".done"), "real");
    QCOMPARE(NetUtil::getFormEncodedValue("a=1&oauth_token_secret=s&oauth_token=abc&b=2", "oauth_token"),
             "abc");
    QCOMPARE(NetUtil::getFormEncodedValue("https://h/p?.pd=c%3D1#frag", ".pd"), "c%3D1");
    QCOMPARE(NetUtil::getFormEncodedValue("a=1", "oauth_token"), QString());
    QCOMPARE(NetUtil::getShortCode("<p><SPAN class=x id='shortCode' > vf8k2x </span><span>footer</span>"),
             "vf8k2x");
    QCOMPARE(NetUtil::getShortCode("<span id=\"other\">no</span>"), QString());
    QVERIFY(!NetUtil::getLoginErrorMarker("<div class='yregertxt'>Invalid</div>").isEmpty());
    QVERIFY(NetUtil::getLoginErrorMarker("<div data-class=\"yregertxt\">x</div><p class=\"yregertxt2\">")
                .isEmpty());
    QCOMPARE(NetUtil::decodeEntities("&amp;lt; &lt;&#x41;&#66;&copy;&#0;&#xD800;&"),
             "&lt; <AB&copy;\uFFFD\uFFFD&");
    QCOMPARE(NetUtil::getDomain("go to https://a.test:8443/x?y"), "https://a.test:8443");
    QCOMPARE(NetUtil::getLocationReplaceTarget("window.location.replace( 'https://a/b' );"), "https://a/b");
    QCOMPARE(NetUtil::regexCaptureAll("a1b22", "\\d*", 0), QStringList());
    QCOMPARE(NetUtil::regexCaptureAll("a1b22", "(\\d+)", 1), QStringList({"1", "22"}));
    QCOMPARE(NetUtil::regexCapture("k=v", "(k)=(v)", 2), "v");
}

void TestNetUtil::hostilePagesStayLinear_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("unclosed forms") << QStringLiteral("<form <input ").repeated(30000);
    QTest::newRow("forms without end tags") << QStringLiteral("<form a=b><input name=x>").repeated(20000);
    QTest::newRow("references without end") << QStringLiteral("&#x&").repeated(100000);
    QTest::newRow("tags in tags") << QStringLiteral("< < <").repeated(80000) + "<span id=shortCode>";
}

void TestNetUtil::hostilePagesStayLinear()
{
    QFETCH(QString, page);
    QElapsedTimer clock;
    clock.start();
    NetUtil::getLoginForm(page);
    NetUtil::parseFormInputs(NetUtil::getInputs(page));
    NetUtil::getShortCode(page);
    NetUtil::decodeEntities(page);
    NetUtil::getLoginErrorMarker(page);
    // Linear scans take well under a second here even with sanitizers; a
    // quadratic one takes minutes.
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
}

void TestNetUtil::feeds()
{
    QList<ImportContact> google;
    QVERIFY(GoogleImporter::parseFeed(
        R"({"feed":{"entry":[{"gd$name":{"gd$givenName":{"$t":"Ann"},"gd$familyName":{"$t":"Lee"}},
            "gd$email":[{"address":"ann@example.test"},{"address":"ann2@example.test"}],
            "gd$phoneNumber":[{"$t":"+1 555 0100"},{"$t":"+1 555 0199"},{"rel":"x"}]},
            {"gd$name":{"gd$familyName":{"$t":"Zed"}},"gd$email":"not a list"},{}]}})",
        google));
    QCOMPARE(google.size(), 3);
    QCOMPARE(google.at(0).emails, QStringList {"ann@example.test"});
    QCOMPARE(google.at(0).phones, QStringList {"+1 555 0199"});
    QCOMPARE(google.at(1).displayName(), "Zed");
    QCOMPARE(google.at(2).type, int(ImportContact::Google));
    QList<ImportContact> none;
    QVERIFY(GoogleImporter::parseFeed("{\"version\":\"1.0\"}", none) && none.isEmpty());
    QVERIFY(!GoogleImporter::parseFeed("<html>Service Unavailable</html>", none));

    QList<ImportContact> yahoo;
    QVERIFY(YahooImporter::parseContacts(
        R"({"contacts":{"contact":[{"fields":[{"type":"name","value":{"givenName":"Ann","familyName":"Lee"}},
            {"type":"name","value":{"givenName":"","middleName":"M"}},
            {"type":"email","value":"ann@example.test"},{"type":"email","value":"ann.lee@example.test"},
            {"type":"phone","value":"+1-555-0100"},{"type":"phone","value":""},{"type":"notes","value":"x"}]},
            {"fields":[{"type":"yahooid","value":""},{"type":"yahooid","value":"bobby"},{"type":"yahooid","value":"two"},
            {"type":"nickname","value":"Bob"},{"type":"phone","value":5550101}]},{"id":3}]}})",
        "yahoo.test", yahoo));
    QCOMPARE(yahoo.size(), 3);
    QCOMPARE(yahoo.at(0).firstName + '/' + yahoo.at(0).middleName + '/' + yahoo.at(0).lastName, "Ann/M/Lee");
    QCOMPARE(yahoo.at(0).emails, QStringList({"ann@example.test", "ann.lee@example.test"}));
    QCOMPARE(yahoo.at(0).phones, QStringList {"+1-555-0100"});
    QCOMPARE(yahoo.at(1).emails, QStringList {"bobby@yahoo.test"});
    QCOMPARE(yahoo.at(1).nickName + yahoo.at(1).phones.value(0), "Bob5550101");
    QCOMPARE(yahoo.at(2).type, int(ImportContact::Yahoo));
    QVERIFY(!YahooImporter::parseContacts("not json", "yahoo.test", yahoo));
}

void TestNetUtil::yahooAddress_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("address");
    QTest::newRow("street, city, country") << R"({"street":"Main","city":"Springfield","country":"US"})"
                                           << "Main st., Springfield, US";
    QTest::newRow("street, city") << R"({"street":"Main","city":"Springfield","postalCode":""})"
                                  << "Main st., Springfield";
    QTest::newRow("street") << R"({"street":"Main"})"
                            << "Main st.";
    QTest::newRow("city, state, code")
        << R"({"city":"Springfield","stateOrProvince":"IL","postalCode":"62701"})"
        << "Springfield, IL, 62701";
    QTest::newRow("nothing replaces") << R"("not an object")"
                                      << "";
}

void TestNetUtil::yahooAddress()
{
    QFETCH(QString, value);
    QFETCH(QString, address);
    QList<ImportContact> contacts;
    QVERIFY(YahooImporter::parseContacts(
        QStringLiteral(R"({"contacts":{"contact":[{"fields":[{"type":"address","value":{"city":"Old"}},
            {"type":"address","value":%1}]}]}})")
            .arg(value),
        "yahoo.test", contacts));
    QCOMPARE(contacts.value(0).address, address);
}

void TestNetUtil::displayNameAndOrder()
{
    const auto make = [](const QString &first, const QString &last) {
        ImportContact made;
        made.firstName = first;
        made.lastName = last;
        made.emails = QStringList {"first@example.test", "second@example.test"};
        return made;
    };
    QCOMPARE(make("", "").displayName(), "first@example.test");
    QCOMPARE(make("", "Lee").displayName(), "Lee");
    QCOMPARE(make("Ann", "Lee").displayName(), "Ann Lee");
    QCOMPARE(ImportContact().displayName(), QString());
    QVERIFY(make("Ann", "Bee") < make("Ann", "Zed"));
    QVERIFY(!(make("Ann", "Zed") < make("Ann", "Bee")));
    QVERIFY(make("Ann", "Zz") < make("Bob", "Aa"));
    QVERIFY(make("Zed", "") < make("ann", ""));
}

LINKORA_TEST_MAIN(TestNetUtil)
#include "tst_netutil.moc"
