#include "ui/countrytable.h"

#include "prefixprovider.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<PrefixProvider> &registeredTable()
{
    static QPointer<PrefixProvider> table;
    return table;
}

QPointer<PrefixProvider> &resourceTable()
{
    static QPointer<PrefixProvider> table;
    return table;
}

} // namespace

PrefixProvider *countryTable()
{
    if (registeredTable())
        return registeredTable();
    QPointer<PrefixProvider> &table = resourceTable();
    if (!table) {
        table = new PrefixProvider;
        // Its flags are pixmaps: they must go before the application does.
        table->setParent(QCoreApplication::instance());
    }
    return table;
}

void setCountryTable(PrefixProvider *table)
{
    registeredTable() = table;
}
