#ifndef LINKORA_UI_CUSTOMPUSHBUTTON_H
#define LINKORA_UI_CUSTOMPUSHBUTTON_H

#include <QPushButton>
#include <QStaticText>

// A push button whose caption is rich text ("1<br/>DAY"), drawn centred a
// little below the middle, with a size hint that follows the caption's width.
class CustomPushButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(CustomPushButton)

public:
    explicit CustomPushButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStaticText makeStaticText() const;
};

#endif // LINKORA_UI_CUSTOMPUSHBUTTON_H
