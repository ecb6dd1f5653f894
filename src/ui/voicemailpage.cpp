#include "ui/voicemailpage.h"

#include "phone/phone.h"
#include "ui/historyroles.h"
#include "ui/voicemailitemdelegate.h"
#include "ui/voicemailmodel.h"
#include "ui_voicemailpage.h"
#include "util/trace.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTime>
#include <QTimer>

namespace {

QString clockText(qint64 milliseconds, const QString &format)
{
    return QTime(0, 0)
        .addMSecs(int(qBound(qint64(0), milliseconds, qint64(24 * 3600 * 1000 - 1))))
        .toString(format);
}

} // namespace

VoicemailPage::VoicemailPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::VoicemailPage)
    , m_filterModel(new HistoryFilterModel(this))
    , m_playbackTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    m_ui->voicemailListView->setItemDelegate(new VoicemailItemDelegate(this));
    m_ui->voicemailListView->setModel(m_filterModel);
    m_ui->voicemailListView->viewport()->setAttribute(Qt::WA_Hover);
    m_ui->voicemailListView->viewport()->installEventFilter(this);
    m_ui->volumePanel->hide();
    m_ui->playbackSlider->setMaximum(255);
    connect(m_ui->voicemailListView, &QListView::clicked, this, &VoicemailPage::onItemClicked);
    connect(m_ui->voicemailListView, &QWidget::customContextMenuRequested, this,
            &VoicemailPage::onContextMenuRequested);
    connect(m_playbackTimer, &QTimer::timeout, this, &VoicemailPage::onPlaybackTimerTimeout);
    connect(m_ui->playbackSlider, &QSlider::sliderMoved, this, &VoicemailPage::onPlaybackSliderMoved);
}

VoicemailPage::~VoicemailPage() = default;

void VoicemailPage::setPhone(Phone *phone)
{
    m_phone = phone;
    if (phone)
        connect(phone, &Phone::loginSuccessful, this, &VoicemailPage::onLoginSuccedeed, Qt::UniqueConnection);
}

void VoicemailPage::showVolumePanel()
{
    m_ui->volumePanel->show();
}

void VoicemailPage::hideVolumePanel()
{
    m_ui->volumePanel->hide();
}

bool VoicemailPage::isPlaying() const
{
    return m_playbackTimer->isActive();
}

void VoicemailPage::setVoicemailHistoryFilter(HistoryFilter filter)
{
    m_filterModel->setFilter(filter);
    m_filterModel->sort(0, Qt::DescendingOrder);
}

void VoicemailPage::setVoicemailHistoryFilter(int filter)
{
    if (filter < AllHistory || filter > LastWeekHistory)
        return;
    setVoicemailHistoryFilter(static_cast<HistoryFilter>(filter));
}

void VoicemailPage::onLoginSuccedeed()
{
    if (m_phone && m_filterModel->sourceModel() != m_phone->voicemailModel())
        m_filterModel->setSourceModel(m_phone->voicemailModel());
    m_filterModel->sort(0, Qt::DescendingOrder);
    m_ui->infoLabel->hide();
    m_ui->configureVoicemailButton->setText(tr("Configure Voicemail"));
}

int VoicemailPage::stateOf(const QModelIndex &sourceIndex) const
{
    return sourceIndex.data(HistoryRoles::VoicemailStateRole).toInt();
}

void VoicemailPage::setState(const QModelIndex &sourceIndex, int state)
{
    if (QAbstractItemModel *source = m_filterModel->sourceModel())
        source->setData(sourceIndex, state, HistoryRoles::VoicemailStateRole);
}

void VoicemailPage::startPlayback(const QModelIndex &sourceIndex)
{
    QAbstractItemModel *source = m_filterModel->sourceModel();
    if (!source || !sourceIndex.isValid())
        return;
    for (int row = 0; row < source->rowCount(); ++row) {
        const QModelIndex other = source->index(row, 0);
        const int state = stateOf(other);
        if (other != sourceIndex && state != VoicemailEntry::NotPlayed && state != VoicemailEntry::Played)
            setState(other, VoicemailEntry::Played);
    }
    m_currentIndex = sourceIndex;
    m_playedOffset = 0;
    m_clock.start();
    m_playbackTimer->setSingleShot(false);
    m_playbackTimer->start(kTickInterval);
    m_ui->playbackSlider->setEnabled(true);
    m_ui->playedTimeLabel->setText(QStringLiteral("00:00"));
    m_ui->leftPlabackTimeLabel->setText(QStringLiteral("-00:00"));
}

void VoicemailPage::stopPlayback()
{
    m_clock.invalidate();
    m_playbackTimer->stop();
    if (m_currentIndex.isValid())
        setState(m_currentIndex, VoicemailEntry::Played);
    m_currentIndex = QPersistentModelIndex();
    m_ui->playbackSlider->setValue(m_ui->playbackSlider->minimum());
    m_ui->playedTimeLabel->setText(QStringLiteral("00:00"));
    m_ui->leftPlabackTimeLabel->setText(QStringLiteral("-00:00"));
    m_ui->playbackSlider->setEnabled(false);
}

void VoicemailPage::pausePlayback()
{
    if (!m_playbackTimer->isActive())
        return;
    m_playbackTimer->stop();
    m_playedOffset += m_clock.elapsed();
    m_clock.invalidate();
}

void VoicemailPage::resumePlayback()
{
    m_clock.start();
    m_playbackTimer->start(kTickInterval);
}

void VoicemailPage::onPlaybackTimerTimeout()
{
    if (!m_currentIndex.isValid()) {
        // The message went away with the list (cleared, logged out).
        stopPlayback();
        return;
    }
    const QTime duration = m_currentIndex.data(HistoryRoles::VoicemailDurationRole).toTime();
    const qint64 length = duration.isValid() ? duration.msecsSinceStartOfDay() : 0;
    const qint64 position = m_clock.elapsed() + m_playedOffset;
    if (position >= length) {
        stopPlayback();
        return;
    }
    const int range = m_ui->playbackSlider->maximum() - m_ui->playbackSlider->minimum();
    m_ui->playbackSlider->setValue(int(range * position / length));
    m_ui->playedTimeLabel->setText(clockText(position, QStringLiteral("mm:ss")));
    m_ui->leftPlabackTimeLabel->setText(clockText(length - position, QStringLiteral("-mm:ss")));
}

void VoicemailPage::onPlaybackSliderMoved(int value)
{
    if (m_currentIndex.isValid()) {
        const QTime duration = m_currentIndex.data(HistoryRoles::VoicemailDurationRole).toTime();
        const qint64 length = duration.isValid() ? duration.msecsSinceStartOfDay() : 0;
        const int range = m_ui->playbackSlider->maximum() - m_ui->playbackSlider->minimum();
        m_playedOffset = range > 0 ? length * value / range : 0;
        if (m_clock.isValid())
            m_clock.start();
    }
    TRACE_NOTIMPL;
}

bool VoicemailPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->voicemailListView->viewport() && event->type() == QEvent::MouseButtonPress)
        m_pressPosition = static_cast<QMouseEvent *>(event)->position().toPoint();
    return QWidget::eventFilter(watched, event);
}

void VoicemailPage::onItemClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    // Only the icon plays and pauses; the press position is the viewport's.
    const QRect rect = m_ui->voicemailListView->visualRect(index);
    if (m_pressPosition.x() - rect.left() >= kIconZone)
        return;
    const QModelIndex sourceIndex = m_filterModel->mapToSource(index);
    switch (stateOf(sourceIndex)) {
    case VoicemailEntry::Paused:
        setState(sourceIndex, VoicemailEntry::Playing);
        resumePlayback();
        break;
    case VoicemailEntry::Playing:
        setState(sourceIndex, VoicemailEntry::Paused);
        pausePlayback();
        // Only the clock stops: no sound is played that a pause could hold.
        TRACE_NOTIMPL;
        break;
    default:
        setState(sourceIndex, VoicemailEntry::Playing);
        startPlayback(sourceIndex);
        break;
    }
}

void VoicemailPage::onContextMenuRequested(const QPoint &position)
{
    const QModelIndex index = m_ui->voicemailListView->indexAt(position);
    if (!index.isValid())
        return;
    m_menuIndex = m_filterModel->mapToSource(index);

    // Closing a menu must not delete it: "Add Contact" and "Call back" open
    // modal dialogs from inside the menu's own mouse handling, which goes on
    // using the menu once they return. It goes when the next one comes.
    delete m_menu;
    auto *menu = new QMenu(this);
    m_menu = menu;
    menu->setObjectName(QStringLiteral("voicemailMenu"));
    if (stateOf(m_menuIndex) == VoicemailEntry::Playing)
        menu->addAction(tr("Pause"), this, &VoicemailPage::onPauseTriggered);
    else
        menu->addAction(tr("Play"), this, &VoicemailPage::onPlayTriggered);
    menu->addAction(tr("Play from start"), this, &VoicemailPage::onPlayFromStartTriggered);
    QAction *previous
        = menu->addAction(tr("Play Previous Voicemail"), this, &VoicemailPage::onPlayPrevTriggered);
    previous->setEnabled(index.row() > 0);
    QAction *next = menu->addAction(tr("Play Next Voicemail"), this, &VoicemailPage::onPlayNextTriggered);
    next->setEnabled(index.row() < m_filterModel->rowCount() - 1);
    menu->addAction(tr("Add Contact"), this, &VoicemailPage::onAddContactTriggered);
    menu->addAction(tr("Call back"), this, &VoicemailPage::onCallBackTriggered);
    menu->addAction(tr("Delete"), this, &VoicemailPage::onDeleteTriggered);
    menu->popup(m_ui->voicemailListView->viewport()->mapToGlobal(position));
}

// The menu's commands keep the entry's state in step with the clock, so the
// icon and the next menu tell the truth.
void VoicemailPage::onPauseTriggered()
{
    if (m_currentIndex.isValid() && m_currentIndex == m_menuIndex)
        setState(m_currentIndex, VoicemailEntry::Paused);
    pausePlayback();
}

void VoicemailPage::onPlayTriggered()
{
    if (!m_menuIndex.isValid())
        return;
    if (m_currentIndex == m_menuIndex && stateOf(m_menuIndex) == VoicemailEntry::Paused) {
        setState(m_menuIndex, VoicemailEntry::Playing);
        resumePlayback();
        return;
    }
    setState(m_menuIndex, VoicemailEntry::Playing);
    startPlayback(m_menuIndex);
}

void VoicemailPage::onPlayFromStartTriggered()
{
    if (!m_menuIndex.isValid())
        return;
    setState(m_menuIndex, VoicemailEntry::Playing);
    startPlayback(m_menuIndex);
}

QModelIndex VoicemailPage::menuNeighbour(int step) const
{
    if (!m_menuIndex.isValid())
        return QModelIndex();
    const QModelIndex shown = m_filterModel->mapFromSource(m_menuIndex);
    const QModelIndex neighbour = m_filterModel->index(shown.row() + step, 0);
    return neighbour.isValid() ? m_filterModel->mapToSource(neighbour) : QModelIndex();
}

void VoicemailPage::onPlayPrevTriggered()
{
    const QModelIndex previous = menuNeighbour(-1);
    if (!previous.isValid())
        return;
    setState(previous, VoicemailEntry::Playing);
    startPlayback(previous);
}

void VoicemailPage::onPlayNextTriggered()
{
    const QModelIndex next = menuNeighbour(1);
    if (!next.isValid())
        return;
    setState(next, VoicemailEntry::Playing);
    startPlayback(next);
}

void VoicemailPage::onAddContactTriggered()
{
    if (m_menuIndex.isValid())
        emit saveNumber(m_menuIndex.data(HistoryRoles::NumberRole).toString());
}

void VoicemailPage::onCallBackTriggered()
{
    if (!m_menuIndex.isValid())
        return;
    const QString number = m_menuIndex.data(HistoryRoles::NumberRole).toString();
    emit callBack(number, number);
}

void VoicemailPage::onDeleteTriggered()
{
    TRACE_NOTIMPL;
}

void VoicemailPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
