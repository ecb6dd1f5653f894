#include "ui/dialogbase.h"
#include "ui_dialogbase.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

DialogBase::DialogBase(QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint)
    , m_ui(new Ui::DialogBase)
{
    m_ui->setupUi(this);

    const QMargins margins = m_ui->dialogMainLayout->contentsMargins();
    m_titleZoneHeight = margins.top() + 27;
    m_bottomBand = margins.bottom();
    m_leftBand = margins.left();
    m_rightBand = margins.right();

    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);

    m_ui->dialogContentWidget->installEventFilter(this);
    m_ui->dialogContentWidget->setMouseTracking(true);
    m_ui->closeButton->installEventFilter(this);
    m_ui->minimizeButton->installEventFilter(this);
    m_ui->titleBarBackground->installEventFilter(this);

    m_ui->errorLabel->hide();

    connect(m_ui->minimizeButton, &QPushButton::clicked, this, &DialogBase::minimize);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &DialogBase::close);
}

DialogBase::~DialogBase() = default;

void DialogBase::setTitle(const QString &title)
{
    setWindowTitle(title);
    m_ui->windowTitleLabel->setText(title);
}

void DialogBase::setErrorText(const QString &text)
{
    m_ui->errorLabel->setText(text);
    m_ui->errorLabel->setVisible(!text.isEmpty());
    // Grow only once the line really shows, which needs the dialog on screen.
    if (!m_errorLineGrown && m_ui->errorLabel->isVisible()) {
        m_errorLineGrown = true;
        resize(width(), height() + m_ui->errorLabel->height());
    }
}

QWidget *DialogBase::contentWidget() const
{
    return m_ui->dialogContentWidget;
}

bool DialogBase::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter
        && (watched == m_ui->dialogContentWidget || watched == m_ui->closeButton
            || watched == m_ui->minimizeButton || watched == m_ui->titleBarBackground)) {
        setCursor(Qt::ArrowCursor);
    }
    return QDialog::eventFilter(watched, event);
}

DialogBase::Edge DialogBase::verticalBandAt(const QPoint &pos) const
{
    if (height() - pos.y() < m_bottomBand)
        return BottomEdge;
    if (pos.y() < m_bottomBand)
        return TopEdge;
    return NoEdge;
}

DialogBase::Edge DialogBase::horizontalBandAt(const QPoint &pos) const
{
    if (width() - pos.x() < m_rightBand)
        return RightEdge;
    if (pos.x() < m_leftBand)
        return LeftEdge;
    return NoEdge;
}

void DialogBase::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }

    const QPoint point = event->position().toPoint();
    m_resizeEdge = NoEdge;
    m_resizeCorner = NoCorner;

    const Edge vertical = verticalBandAt(point);
    const Edge horizontal = horizontalBandAt(point);
    if (vertical != NoEdge || horizontal != NoEdge)
        m_resizing = true;

    if (point.y() < m_titleZoneHeight && vertical == NoEdge) {
        if (horizontal == NoEdge)
            m_moving = true;
        else
            m_resizeEdge = horizontal;
    } else if (horizontal == NoEdge) {
        m_resizeEdge = vertical;
    } else if (vertical == NoEdge) {
        m_resizeEdge = horizontal;
    } else if (vertical == TopEdge) {
        m_resizeCorner = horizontal == LeftEdge ? TopLeftCorner : TopRightCorner;
    } else {
        m_resizeCorner = horizontal == LeftEdge ? BottomLeftCorner : BottomRightCorner;
    }

    if (m_moving || m_resizing) {
        m_pressPosition = event->globalPosition().toPoint();
        m_sizeAtPress = size();
        m_positionAtPress = pos();
        event->accept();
    } else {
        QDialog::mousePressEvent(event);
    }
}

void DialogBase::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint globalPos = event->globalPosition().toPoint();
    if (m_moving) {
        m_ui->dialogContentWidget->hide();
        move(pos() + globalPos - m_pressPosition);
        m_pressPosition = globalPos;
        m_ui->dialogContentWidget->show();
    } else if (m_resizing) {
        m_ui->dialogContentWidget->hide();
        resizeTo(globalPos);
        m_ui->dialogContentWidget->show();
    } else if (!isMaximized()) {
        updateCursor(event->position().toPoint());
    }
    QDialog::mouseMoveEvent(event);
}

void DialogBase::resizeTo(const QPoint &globalPos)
{
    const QPoint delta = globalPos - m_pressPosition;
    int w = m_sizeAtPress.width();
    int h = m_sizeAtPress.height();
    int x = m_positionAtPress.x();
    int y = m_positionAtPress.y();

    if (m_resizeEdge == RightEdge || m_resizeCorner == TopRightCorner || m_resizeCorner == BottomRightCorner)
        w = m_sizeAtPress.width() + delta.x();
    if (m_resizeEdge == BottomEdge || m_resizeCorner == BottomLeftCorner
        || m_resizeCorner == BottomRightCorner)
        h = m_sizeAtPress.height() + delta.y();
    if (m_resizeEdge == LeftEdge || m_resizeCorner == TopLeftCorner || m_resizeCorner == BottomLeftCorner) {
        w = m_sizeAtPress.width() - delta.x();
        x = m_positionAtPress.x() + delta.x();
    }
    if (m_resizeEdge == TopEdge || m_resizeCorner == TopLeftCorner || m_resizeCorner == TopRightCorner) {
        h = m_sizeAtPress.height() - delta.y();
        y = m_positionAtPress.y() + delta.y();
    }

    const int newWidth = qMax(w, qMax(minimumWidth(), m_smallestWidth));
    const int newHeight = qMax(h, qMax(minimumHeight(), m_smallestHeight));
    resize(newWidth, newHeight);

    // A clamped side stays where it is; only a corner may still follow the
    // pointer along the other side.
    const bool widthRaised = newWidth != w;
    const bool heightRaised = newHeight != h;
    if (!widthRaised && !heightRaised)
        move(x, y);
    else if (m_resizeCorner != NoCorner && heightRaised && !widthRaised)
        move(x, m_positionAtPress.y());
    else if (m_resizeCorner != NoCorner && widthRaised && !heightRaised)
        move(m_positionAtPress.x(), y);
}

void DialogBase::updateCursor(const QPoint &pos)
{
    const Edge vertical = verticalBandAt(pos);
    const Edge horizontal = horizontalBandAt(pos);
    if (vertical != NoEdge && horizontal == NoEdge) {
        setCursor(Qt::SizeVerCursor);
    } else if (horizontal != NoEdge && vertical == NoEdge) {
        setCursor(Qt::SizeHorCursor);
    } else if (vertical != NoEdge) {
        const bool falling = (vertical == TopEdge) == (horizontal == LeftEdge);
        setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else if (cursor().shape() != Qt::ArrowCursor) {
        setCursor(Qt::ArrowCursor);
    }
}

void DialogBase::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_moving) {
        m_pressPosition = QPoint();
        m_moving = false;
        m_resizeEdge = NoEdge;
        m_resizeCorner = NoCorner;
    } else if (m_resizing) {
        m_resizing = false;
        m_resizeEdge = NoEdge;
        m_resizeCorner = NoCorner;
    }
    QDialog::mouseReleaseEvent(event);
}

void DialogBase::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void DialogBase::minimize()
{
    showMinimized();
}
