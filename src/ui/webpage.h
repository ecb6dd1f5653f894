#ifndef LINKORA_UI_WEBPAGE_H
#define LINKORA_UI_WEBPAGE_H

#include <QCoreApplication>

class QUrl;
class QWidget;

// Opens the brand's web pages in the system browser. Where none can be
// started the user is told, with the address to copy, instead of a click
// that seems to do nothing.
class WebPage
{
    Q_DECLARE_TR_FUNCTIONS(WebPage)

public:
    // False when no browser took the address (the user has been told).
    static bool open(QWidget *parent, const QUrl &url);
};

#endif // LINKORA_UI_WEBPAGE_H
