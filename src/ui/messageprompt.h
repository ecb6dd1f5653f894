#ifndef LINKORA_UI_MESSAGEPROMPT_H
#define LINKORA_UI_MESSAGEPROMPT_H

#include <QMessageBox>
#include <QString>

#include <functional>

// The modal message boxes of the main window and its central area. They all
// go through show(), so that one handler can stand in for the boxes where no
// one is there to press a button (the tests record the title and the text
// and answer for the user).
class MessagePrompt
{
public:
    struct Request
    {
        QWidget *parent = nullptr;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // Plain unless the caller's own text is markup: service, contact and
        // peer text must never be read as markup.
        Qt::TextFormat textFormat = Qt::PlainText;
        // The text can be selected and copied (an address to take along).
        bool selectableText = false;
    };
    // Answers a request with the button the user would have pressed.
    using Handler = std::function<QMessageBox::StandardButton(const Request &request)>;

    static QMessageBox::StandardButton show(const Request &request);

    static void information(QWidget *parent, const QString &title, const QString &text);
    static void critical(QWidget *parent, const QString &title, const QString &text);
    // Yes or No; NoButton when the box was closed otherwise.
    static QMessageBox::StandardButton
    question(QWidget *parent, const QString &title, const QString &text,
             QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // The about box: the application's icon, the title and the text.
    static void about(QWidget *parent, const QString &title, const QString &text);

    // Replaces the real boxes; an empty handler brings them back.
    static void setHandler(Handler handler);

private:
    static Handler &handler();
};

#endif // LINKORA_UI_MESSAGEPROMPT_H
