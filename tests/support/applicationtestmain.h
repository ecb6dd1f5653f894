#ifndef APPLICATIONTESTMAIN_H
#define APPLICATIONTESTMAIN_H

#include "application.h"
#include "startup.h"
#include "support/talktesting.h"
#include "support/testenvironment.h"

#include <QTest>

// The main() of a test that runs the program's own application object, in
// private folders and with the stand-in talk library, as the program starts.
#define LINKORA_APPLICATION_TEST_MAIN(TestObject)                                                            \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        TestEnvironment::isolate();                                                                          \
        Startup::setupApplicationIdentity();                                                                 \
        TalkTesting::useStandIn();                                                                           \
        Application app(argc, argv);                                                                         \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestObject test;                                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

#endif // APPLICATIONTESTMAIN_H
