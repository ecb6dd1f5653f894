#include "util/trace.h"
#include "util/tracelog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Halvetta"));
    QCoreApplication::setApplicationName(QStringLiteral("Halvetta Linkora"));
    TraceLog::install();
    TRACE << "Linkora core started";
    return 0;
}
