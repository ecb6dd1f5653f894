#include "prefixprovider.h"

#include "util/trace.h"

#include <QFile>
#include <QIcon>
#include <QListWidgetItem>
#include <QPainter>
#include <QTextStream>

namespace {

const QString kCountriesPath = QStringLiteral(":/data/countries.txt");
const QString kFlagPathPattern = QStringLiteral(":/gfx/flags/%1.jpg");
constexpr int kMaxPrefixLength = 4;

class CountryDescListWidgetItem : public QListWidgetItem
{
public:
    explicit CountryDescListWidgetItem(const CountryDesc *country)
        : QListWidgetItem(QIcon(country->flag), country->name)
        , m_country(country)
    {
        setToolTip(country->name);
        setSizeHint(QSize(1, 27));
    }
    ~CountryDescListWidgetItem() override = default;

    const CountryDesc *country() const { return m_country; }

private:
    const CountryDesc *m_country;
};

const CountryDesc *countryOfItem(const QListWidgetItem *item)
{
    const auto *countryItem = dynamic_cast<const CountryDescListWidgetItem *>(item);
    return countryItem ? countryItem->country() : nullptr;
}

} // namespace

PrefixProvider::PrefixProvider()
{
    appendAllFromResources();
}

PrefixProvider::PrefixProvider(const QString &tablePath)
{
    appendAllFromFile(tablePath);
}

PrefixProvider::~PrefixProvider()
{
    qDeleteAll(m_countries);
}

void PrefixProvider::appendAllFromResources()
{
    appendAllFromFile(kCountriesPath);
}

void PrefixProvider::appendAllFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;

    // The table is 8-bit text; Qt would otherwise decode it as UTF-8.
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Latin1);

    QString line;
    if (!stream.readLineInto(&line) || !stream.readLineInto(&line)) {
        TRACE_WARNING << "Invalid" << path << "file!, Bailing out.";
        return;
    }

    int lineNumber = 2;
    while (stream.readLineInto(&line)) {
        ++lineNumber;
        if (line.isEmpty())
            continue;

        const QStringList parts = line.split(QLatin1Char(','));
        if (parts.size() != 4) {
            TRACE_WARNING << "Ignoring country entry invalid entry with" << parts.size() << parts << path
                          << ":" << lineNumber;
            continue;
        }

        const QString imageNumber = parts.at(0).trimmed();
        const QString prefix = parts.at(1).trimmed();
        const QString name = parts.at(2).trimmed();
        const QString code = parts.at(3).trimmed();

        if (name.isEmpty()) {
            TRACE_WARNING << "Ignoring country entry with empty name in line" << lineNumber;
            continue;
        }

        // Further rows of the same country only add an area prefix.
        if (!m_countries.isEmpty() && m_countries.last()->name == name) {
            m_countries.last()->prefixes.append(prefix);
            continue;
        }

        QPixmap flag;
        // Without its flag the country must still be recognised by its prefixes.
        if (!flag.load(kFlagPathPattern.arg(imageNumber))) {
            TRACE_WARNING << "Keeping country entry without flag in line" << lineNumber;
            flag = missingFlag();
        }

        m_countries.append(new CountryDesc {name, QStringList {prefix}, flag, code});
    }
}

QString PrefixProvider::prefixOfNumber(const QString &number) const
{
    QString digits = number.trimmed();
    digits.remove(QLatin1Char('-'));
    if (digits.startsWith(QLatin1Char('+')))
        digits.remove(0, 1);
    int zeros = 0;
    while (zeros < digits.size() && digits.at(zeros) == QLatin1Char('0'))
        ++zeros;
    digits.remove(0, zeros);

    for (int length = qMin(int(digits.size()), kMaxPrefixLength); length > 0; --length) {
        const QString candidate = digits.left(length);
        if (candidate.at(0).isDigit() && indexOfPrefix(candidate) >= 0)
            return candidate;
    }
    return QString();
}

int PrefixProvider::indexOfPrefix(const QString &prefix) const
{
    for (int i = 0; i < m_countries.size(); ++i) {
        if (m_countries.at(i)->prefixes.contains(prefix))
            return i;
    }
    return -1;
}

QPixmap PrefixProvider::flagForNumber(const QString &number) const
{
    const QString prefix = prefixOfNumber(number);
    if (prefix.isEmpty())
        return QPixmap();
    const int index = indexOfPrefix(prefix);
    return index < 0 ? QPixmap() : m_countries.at(index)->flag;
}

QPixmap PrefixProvider::flagForCountryCode(const QString &code) const
{
    for (const CountryDesc *country : m_countries) {
        if (country->code == code)
            return country->flag;
    }
    return QPixmap();
}

QStringList PrefixProvider::prefixesAt(int index) const
{
    if (index < 0 || index >= m_countries.size())
        return QStringList();
    return m_countries.at(index)->prefixes;
}

QList<QListWidgetItem *> PrefixProvider::countryListItems() const
{
    QList<QListWidgetItem *> items;
    items.reserve(m_countries.size());
    for (const CountryDesc *country : m_countries)
        items.append(new CountryDescListWidgetItem(country));
    return items;
}

QPixmap PrefixProvider::flagForItem(const QListWidgetItem *item) const
{
    const CountryDesc *country = countryOfItem(item);
    return country ? country->flag : QPixmap();
}

QString PrefixProvider::countryNameForItem(const QListWidgetItem *item) const
{
    const CountryDesc *country = countryOfItem(item);
    return country ? country->name : QString();
}

QStringList PrefixProvider::prefixesForItem(const QListWidgetItem *item) const
{
    const CountryDesc *country = countryOfItem(item);
    return country ? country->prefixes : QStringList();
}

QPixmap PrefixProvider::missingFlag()
{
    // The size of the real flags: a grey field in a dark frame, struck
    // through, so that it is not taken for a flag.
    QPixmap pixmap(16, 11);
    pixmap.fill(QColor(0xd8, 0xd8, 0xd8));
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    painter.drawLine(0, pixmap.height() - 1, pixmap.width() - 1, 0);
    return pixmap;
}
