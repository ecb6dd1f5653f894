#include "ui/webpage.h"

#include "ui/messageprompt.h"
#include "util/trace.h"

#include <QDesktopServices>
#include <QUrl>

bool WebPage::open(QWidget *parent, const QUrl &url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    TRACE_WARNING << "No browser opened the web page";
    const QString address = url.toString(QUrl::FullyEncoded);
    MessagePrompt::Request request;
    request.parent = parent;
    request.icon = QMessageBox::Warning;
    request.title = tr("Web page");
    request.text
        = tr("No web browser could be opened. Please open this address yourself:\n\n%1").arg(address);
    request.selectableText = true;
    MessagePrompt::show(request);
    return false;
}
