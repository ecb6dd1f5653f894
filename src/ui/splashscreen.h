#ifndef LINKORA_UI_SPLASHSCREEN_H
#define LINKORA_UI_SPLASHSCREEN_H

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class SplashScreen;
}

// The picture shown while the program starts; the style sheet paints all of it.
class SplashScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(SplashScreen)

public:
    explicit SplashScreen(QWidget *parent = nullptr);
    ~SplashScreen() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::SplashScreen> m_ui;
};

#endif // LINKORA_UI_SPLASHSCREEN_H
