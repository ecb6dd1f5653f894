#include "uilook.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void UiLook::install()
{
    const QStringList fonts = QString::fromUtf8(readResource(QStringLiteral(":/fonts/index.txt")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : fonts)
        QFontDatabase::addApplicationFontFromData(readResource(path));
    // Read as Latin-1, the way the application object reads them.
    qApp->setStyleSheet(QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")))
                        + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css"))));
}

QString UiLook::screenshotPath(const QString &name)
{
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + name);
}
