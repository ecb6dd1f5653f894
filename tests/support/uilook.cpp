#include "uilook.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QWidget>

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

QSize UiLook::captionSize(const QString &caption, const QFont &font)
{
    const QFontMetrics metrics(font);
    const QStringList lines = caption.split(QStringLiteral("<br/>"));
    int width = 0;
    for (const QString &line : lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    return QSize(width, metrics.lineSpacing() * int(lines.size()));
}

int UiLook::captionGap(const QLabel *left, const QLabel *right)
{
    const auto from = [](const QLabel *label) {
        const int width = captionSize(label->text(), label->font()).width();
        return label->mapTo(label->window(), label->rect().center()).x() - width / 2;
    };
    return from(right) - (from(left) + captionSize(left->text(), left->font()).width());
}

bool UiLook::captionFits(const QWidget *widget, const QString &caption, const QFont &font, int drop)
{
    const QSize size = captionSize(caption, font);
    const QPoint middle = widget->rect().center();
    const QRect drawn(middle.x() - size.width() / 2, middle.y() - size.height() / 2 + drop, size.width(),
                      size.height());
    return widget->rect().contains(drawn);
}

bool UiLook::liesInside(const QWidget *widget, const QWidget *page)
{
    for (; widget && widget != page; widget = widget->parentWidget()) {
        if (!widget->parentWidget() || !widget->parentWidget()->rect().contains(widget->geometry()))
            return false;
    }
    return widget == page;
}

bool UiLook::textFits(const QLabel *label)
{
    return label->contentsRect().contains(textArea(label, label));
}

QRect UiLook::textArea(const QLabel *label, const QWidget *page)
{
    const QRect room = label->contentsRect();
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect drawn = label->fontMetrics().boundingRect(room, flags, label->text());
    return drawn.translated(label->mapTo(page, QPoint()));
}

QString UiLook::shownToolTip(const QWidget *widget)
{
    const QString tip = widget->toolTip();
    QTextDocument document;
    if (Qt::mightBeRichText(tip))
        document.setHtml(tip);
    else
        document.setPlainText(tip);
    return document.toPlainText();
}

QSize UiLook::centralAreaSize()
{
    return QSize(238, 410);
}
