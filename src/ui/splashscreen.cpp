#include "ui/splashscreen.h"
#include "ui_splashscreen.h"

#include <QPainter>
#include <QStyleOption>

SplashScreen::SplashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_ui(new Ui::SplashScreen)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
}

SplashScreen::~SplashScreen() = default;

void SplashScreen::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
