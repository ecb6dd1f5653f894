#include "support/testenvironment.h"

#include <QtTest>

class TestCrashDump : public QObject
{
    Q_OBJECT
};

LINKORA_TEST_MAIN(TestCrashDump)
#include "tst_crashdump.moc"
