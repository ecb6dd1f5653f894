// libFuzzer target for the JSON reader: reply bodies come from the network.
//
// Besides crashes and sanitizer findings it checks that whatever the reader
// accepts can be written and read back to the same tree.

#include "rest/json.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool isInteger(const QVariant &value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::ULongLong;
}

// Integers keep their value; a non-negative one read as signed ("-0") comes
// back unsigned, which the layout cannot tell apart.
bool sameTree(const QVariant &a, const QVariant &b)
{
    if (isInteger(a) && isInteger(b))
        return a == b;
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

[[noreturn]] void fail(const char *what, const QByteArray &text)
{
    std::fprintf(stderr, "fuzz_json: %s\n%s\n", what, text.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The caller decodes the reply body as UTF-8 once.
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    bool ok = false;
    const QVariant value = Json::parse(text, ok);
    if (!ok)
        return 0;

    bool written = false;
    const QByteArray json = Json::serialize(value, written);
    if (!written || json.isNull())
        fail("an accepted value could not be written", text.toUtf8());

    bool reread = false;
    const QVariant back = Json::parse(QString::fromUtf8(json), reread);
    if (!reread)
        fail("written text could not be read back", json);
    if (!sameTree(value, back))
        fail("written text reads back to another tree", json);
    return 0;
}
