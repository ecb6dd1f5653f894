// The texts a user reads: every string of the designer forms and every string
// literal of the sources, read from the source tree, free of the misspellings
// and doubled blanks that slipped into earlier versions.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

class TestUserTexts : public QObject
{
    Q_OBJECT

private:
    static QStringList files(const QString &pattern)
    {
        QStringList found;
        QDirIterator it(QStringLiteral(LINKORA_SOURCE_DIR "/src"), {pattern}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        return found;
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return file.readAll();
    }

    // A whole-word misspelling, or a phrase that reads wrong, in any case.
    static QString fault(const QString &text)
    {
        static const QRegularExpression misspelt(
            QStringLiteral(
                "\\b(occured|ocurred|automaticaly|convinient|suppresion|setup your|see bar|anwser)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = misspelt.match(text);
        if (match.hasMatch())
            return match.captured();
        // A blank doubled between words; layout padding at either end is left alone.
        static const QRegularExpression doubled(QStringLiteral("\\S {2,}\\S"));
        if (doubled.match(text).hasMatch())
            return QStringLiteral("two blanks");
        return {};
    }

private slots:
    void formTexts()
    {
        const QStringList forms = files(QStringLiteral("*.ui"));
        QVERIFY(forms.size() > 20);
        int texts = 0;
        for (const QString &form : forms) {
            QXmlStreamReader xml(contents(form));
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("string"))
                    continue;
                const QString text = xml.readElementText();
                ++texts;
                const QString found = fault(text);
                QVERIFY2(found.isEmpty(),
                         qPrintable(QStringLiteral("%1: \"%2\" (%3)").arg(form, text, found)));
            }
            QVERIFY2(!xml.hasError(), qPrintable(form + QLatin1String(": ") + xml.errorString()));
        }
        QVERIFY(texts > 200);
    }

    void sourceLiterals()
    {
        static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
        int literals = 0;
        for (const QString &source : files(QStringLiteral("*.cpp")) + files(QStringLiteral("*.h"))) {
            const QString code = QString::fromUtf8(contents(source));
            auto matches = literal.globalMatch(code);
            while (matches.hasNext()) {
                const QString text = matches.next().captured(1);
                ++literals;
                const QString found = fault(text);
                QVERIFY2(found.isEmpty(),
                         qPrintable(QStringLiteral("%1: \"%2\" (%3)").arg(source, text, found)));
            }
        }
        QVERIFY(literals > 1000);
    }

    // The checks themselves: each fault the texts once had is caught.
    void faultsAreCaught_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("faulty");
        QTest::newRow("occured") << QStringLiteral("An error occured while importing contacts") << true;
        QTest::newRow("ocurred") << QStringLiteral("Error ocurred while checking") << true;
        QTest::newRow("automaticaly") << QStringLiteral("Sign in automaticaly") << true;
        QTest::newRow("convinient") << QStringLiteral("this convinient solution") << true;
        QTest::newRow("suppresion") << QStringLiteral("Enable noise suppresion") << true;
        QTest::newRow("setup your") << QStringLiteral("to setup your application") << true;
        QTest::newRow("see bar") << QStringLiteral("Do you see bar moving?") << true;
        QTest::newRow("anwser") << QStringLiteral("Anwser") << true;
        QTest::newRow("button name") << QStringLiteral("anwserButton") << false;
        QTest::newRow("two blanks") << QStringLiteral("Get  Virtual Number") << true;
        QTest::newRow("stored key") << QStringLiteral("settings.audio.noiseSuppresion") << false;
        QTest::newRow("padding") << QStringLiteral("  Call ") << false;
        QTest::newRow("sound") << QStringLiteral("Error occurred while checking for updates") << false;
    }
    void faultsAreCaught()
    {
        QFETCH(QString, text);
        QFETCH(bool, faulty);
        QCOMPARE(!fault(text).isEmpty(), faulty);
    }
};

QTEST_GUILESS_MAIN(TestUserTexts)
#include "tst_usertexts.moc"
