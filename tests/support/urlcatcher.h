#ifndef URLCATCHER_H
#define URLCATCHER_H

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the browser: hand it to QDesktopServices::setUrlHandler()
// with the slot "open", and it keeps every URL the program opens.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

#endif // URLCATCHER_H
