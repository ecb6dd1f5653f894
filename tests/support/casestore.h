#ifndef CASESTORE_H
#define CASESTORE_H

#include "settings/dbstore.h"

#include <QString>

// A database of its own for one test case, in the test's data folder (or at
// an absolute path), so that every case starts from nothing.
class CaseStore : public DbStore
{
public:
    explicit CaseStore(const QString &fileName)
        : DbStore(fileName)
    { }
};

#endif // CASESTORE_H
