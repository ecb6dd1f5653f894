#include "ui/menubutton.h"
#include "ui_menubutton.h"

#include "ui/repolishwidget.h"
#include "util/trace.h"
#include "util/util.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

MenuButton::MenuButton(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::MenuButton)
{
    m_ui->setupUi(this);
    setProperty("_state", stateToString(m_state));
    setMouseTracking(true);
    m_ui->iconLabel->installEventFilter(this);
    m_ui->textLabel->installEventFilter(this);
}

MenuButton::~MenuButton() = default;

void MenuButton::setIconText(const QString &text, Qt::TextFormat format)
{
    m_iconText = text;
    m_iconTextFormat = format;
    m_ui->iconLabel->setTextFormat(format);
    showIconText();
}

QString MenuButton::iconText() const
{
    return m_iconText;
}

void MenuButton::setIconTextElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    // An eliding label takes the width it is given instead of asking for
    // its text's.
    QSizePolicy policy = m_ui->iconLabel->sizePolicy();
    policy.setHorizontalPolicy(mode == Qt::ElideNone ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    m_ui->iconLabel->setSizePolicy(policy);
    showIconText();
}

void MenuButton::showIconText()
{
    QLabel *label = m_ui->iconLabel;
    QString shown = m_iconText;
    // Until it is on screen the label has no width of its own to fit.
    if (m_elideMode != Qt::ElideNone && m_iconTextFormat == Qt::PlainText && label->isVisible())
        shown = label->fontMetrics().elidedText(m_iconText, m_elideMode, label->contentsRect().width());
    if (label->text() != shown)
        label->setText(shown);
    label->setToolTip(shown == m_iconText ? QString() : Util::plainToolTip(m_iconText));
}

void MenuButton::setText(const QString &text)
{
    m_ui->textLabel->setText(text);
}

QString MenuButton::text() const
{
    return m_ui->textLabel->text();
}

void MenuButton::setIconPixmap(const QPixmap &pixmap)
{
    m_ui->iconLabel->setPixmap(pixmap);
}

QPixmap MenuButton::iconPixmap() const
{
    return m_ui->iconLabel->pixmap();
}

void MenuButton::setTextPixmap(const QPixmap &pixmap)
{
    m_ui->textLabel->setPixmap(pixmap);
}

QPixmap MenuButton::textPixmap() const
{
    return m_ui->textLabel->pixmap();
}

void MenuButton::setSelected(bool selected)
{
    m_selected = selected;
    if (selected)
        setState(Selected);
    else
        setState(m_hovered ? Hovered : Normal);
}

bool MenuButton::isSelected() const
{
    return m_selected;
}

bool MenuButton::horizontalOrientation() const
{
    return m_horizontal;
}

void MenuButton::setHorizontalOrientation(bool horizontal)
{
    if (horizontal == m_horizontal)
        return;
    m_horizontal = horizontal;
    if (QLayout *old = layout()) {
        old->removeWidget(m_ui->iconLabel);
        old->removeWidget(m_ui->textLabel);
        delete old;
        m_ui->layout = nullptr;
    }
    TRACE << horizontal;

    QBoxLayout *box = nullptr;
    if (horizontal) {
        m_ui->iconLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_ui->textLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        box = new QHBoxLayout(this);
    } else {
        box = new QVBoxLayout(this);
        m_ui->iconLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        m_ui->textLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    TRACE << box->metaObject()->className();
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    box->addWidget(m_ui->iconLabel);
    box->addWidget(m_ui->textLabel);
    updateGeometry();
}

bool MenuButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->iconLabel || watched == m_ui->textLabel) {
        switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            auto *mouseEvent = static_cast<QMouseEvent *>(event);
            mouseReleaseEvent(mouseEvent);
            // Only a left release on the enabled button reaches the button's
            // handler a second time; marking any other release would leave
            // the mark behind and eat the next real click.
            if (mouseEvent->button() == Qt::LeftButton && isEnabled())
                m_releaseMarked = true;
            return true;
        }
        case QEvent::Enter:
            handleEnter();
            break;
        case QEvent::Resize:
        case QEvent::Show:
            if (watched == m_ui->iconLabel)
                showIconText();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MenuButton::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        setState(Pressed);
        event->accept();
    }
}

void MenuButton::mouseReleaseEvent(QMouseEvent *event)
{
    // The default handling leaves the event unaccepted, so that a release
    // handled for a label travels on to the button and clears the mark there.
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (m_releaseMarked) {
        m_releaseMarked = false;
        return;
    }
    // Qt holds back the leave of a pointer dragged off the button until after
    // the release, so ask where the release happened.
    if (!rect().contains(mapFromGlobal(event->globalPosition().toPoint())))
        m_hovered = false;
    if (isEnabled() && m_hovered)
        emit clicked();
    if (!m_selected)
        setState(m_hovered ? Hovered : Normal);
}

void MenuButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    handleEnter();
}

void MenuButton::handleEnter()
{
    m_hovered = true;
    if (!m_selected)
        setState(Hovered);
}

void MenuButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    if (!m_selected)
        setState(Normal);
}

void MenuButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void MenuButton::setState(State state)
{
    m_state = state;
    setProperty("_state", stateToString(state));
    repolishWidget(this);
    repolishWidget(m_ui->iconLabel);
    repolishWidget(m_ui->textLabel);
    update();
}

QString MenuButton::stateToString(State state) const
{
    switch (state) {
    case Normal:
        return QStringLiteral("normal");
    case Hovered:
        return QStringLiteral("hovered");
    case Pressed:
        return QStringLiteral("pressed");
    case Selected:
        return QStringLiteral("selected");
    }
    TRACE_WARNING << "unhandled case";
    return QString();
}
