#include "ui/messageprompt.h"

MessagePrompt::Handler &MessagePrompt::handler()
{
    static Handler current;
    return current;
}

void MessagePrompt::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}

QMessageBox::StandardButton MessagePrompt::show(const Request &request)
{
    if (const Handler &current = handler())
        return current(request);

    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.parent);
    box.setDefaultButton(request.defaultButton);
    box.setTextFormat(request.textFormat);
    if (request.selectableText)
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

void MessagePrompt::information(QWidget *parent, const QString &title, const QString &text)
{
    show({parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::NoButton});
}

void MessagePrompt::critical(QWidget *parent, const QString &title, const QString &text)
{
    show({parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::NoButton});
}

QMessageBox::StandardButton MessagePrompt::question(QWidget *parent, const QString &title,
                                                    const QString &text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    return show({parent, QMessageBox::Question, title, text, buttons, defaultButton});
}

void MessagePrompt::about(QWidget *parent, const QString &title, const QString &text)
{
    if (const Handler &current = handler()) {
        current({parent, QMessageBox::NoIcon, title, text, QMessageBox::Ok, QMessageBox::NoButton});
        return;
    }
    QMessageBox::about(parent, title, text);
}
