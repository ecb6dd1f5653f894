#ifndef TESTENVIRONMENT_H
#define TESTENVIRONMENT_H

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// Keeps a test away from the real home folder and /etc: every per-user and
// machine-wide location (XDG folders, QSettings of both scopes, Qt's standard
// paths) points into one temporary folder for the life of the process.
class TestEnvironment
{
public:
    // Must run before the application object is created.
    static void isolate();
    // The temporary folder that stands in for the home folder.
    static QString root();
    // A fresh empty folder below root() for one test case.
    static QString freshDirectory(const QString &name);
    // The source tree, for reading the project's own files.
    static QString sourceDirectory();
    // For a program a test runs: every per-user location below home (made,
    // owner-only), the offscreen platform, the rest inherited.
    static QProcessEnvironment programEnvironment(const QString &home);
    // A file's whole content; empty when it cannot be read.
    static QByteArray fileContents(const QString &path);
};

// QTEST_MAIN with isolation done before the application object exists.
#define LINKORA_TEST_MAIN(TestClass)                                                                         \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        TestEnvironment::isolate();                                                                          \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

#endif // TESTENVIRONMENT_H
