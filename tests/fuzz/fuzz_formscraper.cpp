// libFuzzer target for the reading of the providers' sign-in, consent and
// verifier pages, which come from the network.
//
// Besides crashes, sanitizer findings and slow inputs (libFuzzer's -timeout)
// it checks what the importers rely on: forms are pieces of the page, the
// sign-in form is one of them, every field has a key, decoding never grows
// a text and the verifier is trimmed.

#include "importcontacts/formscraper.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &text)
{
    std::fprintf(stderr, "fuzz_formscraper: %s\n%s\n", what, text.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The importers take pages one character per byte.
    const QString page = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));

    const QStringList forms = NetUtil::getForms(page);
    for (const QString &form : forms) {
        if (!page.contains(form) || !form.startsWith(QLatin1Char('<')))
            fail("a form that is not a piece of the page", page);
    }
    const QString login = NetUtil::getLoginForm(page);
    if (!login.isEmpty() && !forms.contains(login))
        fail("a sign-in form that is not one of the forms", page);
    if (NetUtil::getForm(page) != forms.value(0))
        fail("the first form differs", page);

    const QMap<QString, QString> fields = NetUtil::parseFormInputs(NetUtil::getInputs(page));
    if (fields.contains(QString()))
        fail("a field without a key", page);
    NetUtil::getFormAction(login);

    if (NetUtil::decodeEntities(page).size() > page.size())
        fail("decoding made the text longer", page);
    const QString code = NetUtil::getShortCode(page);
    if (code != code.trimmed())
        fail("the verifier is not trimmed", page);

    NetUtil::getScripts(page);
    NetUtil::getLoginErrorMarker(page);
    NetUtil::getLocationReplaceTarget(page);
    NetUtil::getFormEncodedValue(page, QStringLiteral(".done"));
    NetUtil::getDomain(page);
    return 0;
}
