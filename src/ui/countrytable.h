#ifndef LINKORA_UI_COUNTRYTABLE_H
#define LINKORA_UI_COUNTRYTABLE_H

class PrefixProvider;

// The country table that the number fields and their country pickers read.
// The application hands over the table it built at start-up; until it does
// (and in programs that never do), the table is read from the resources on
// first use and lives as long as the application object.
PrefixProvider *countryTable();
// Not owned; a table that is destroyed falls back to the resources' table.
void setCountryTable(PrefixProvider *table);

#endif // LINKORA_UI_COUNTRYTABLE_H
