#ifndef PREFIXPROVIDER_H
#define PREFIXPROVIDER_H

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QListWidgetItem;

// One country of the dialling table.
struct CountryDesc
{
    QString name;
    // International dialling prefixes without "+" or leading zeros.
    QStringList prefixes;
    QPixmap flag;
    QString code;
};

// The table of countries with their dialling prefixes, names, codes and flags,
// read once from the resources. Read-only after construction.
class PrefixProvider : public QObject
{
    Q_OBJECT

public:
    PrefixProvider();
    // Reads the table from another file of the same format instead of the resources.
    explicit PrefixProvider(const QString &tablePath);
    ~PrefixProvider() override;

    void appendAllFromResources();

    // The longest known prefix (up to 4 digits) the number starts with, or an empty string.
    QString prefixOfNumber(const QString &number) const;
    // Index of the first country whose prefixes contain the prefix exactly, or -1.
    int indexOfPrefix(const QString &prefix) const;
    QPixmap flagForNumber(const QString &number) const;
    QPixmap flagForCountryCode(const QString &code) const;
    QStringList prefixesAt(int index) const;

    // One new item per country in table order; the caller owns them.
    QList<QListWidgetItem *> countryListItems() const;
    // Items not made by countryListItems() give a null flag and empty texts.
    QPixmap flagForItem(const QListWidgetItem *item) const;
    QString countryNameForItem(const QListWidgetItem *item) const;
    QStringList prefixesForItem(const QListWidgetItem *item) const;

    // What a country without a flag image shows instead.
    static QPixmap missingFlag();

private:
    void appendAllFromFile(const QString &path);

    QList<CountryDesc *> m_countries;
};

#endif // PREFIXPROVIDER_H
