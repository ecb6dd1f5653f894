// A program instance for the single-instance tests, which need real processes.
//   singleinstancehelper serve <id>            claim, print "lock:<path>" and "claimed",
//                                              then "message:<text>" per message; "--quit" ends it
//   singleinstancehelper send <id> <message>   print "running" or "alone", then
//                                              "sent" or "failed"
// Either first prints "problem:<text>" when the instance cannot be decided.
#include "util/qtsingleapplication.h"

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    const QString message = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();

    QtSingleApplication app(id, argc, argv);
    const bool running = app.isRunning();
    say(running ? QStringLiteral("running") : QStringLiteral("alone"));
    if (!app.instanceProblem().isEmpty())
        say(QStringLiteral("problem:") + app.instanceProblem());

    if (mode == QLatin1String("send")) {
        const bool sent = app.sendMessage(message, 3000);
        say(sent ? QStringLiteral("sent") : QStringLiteral("failed"));
        return sent ? 0 : 1;
    }

    if (running)
        return 3;
    QObject::connect(&app, &QtSingleApplication::messageReceived, &app, [&app](const QString &text) {
        say(QStringLiteral("message:") + text);
        if (text == QLatin1String("--quit"))
            app.quit();
    });
    say(QStringLiteral("lock:") + app.lockFilePath());
    say(QStringLiteral("claimed"));
    return app.exec();
}
