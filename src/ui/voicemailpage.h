#ifndef LINKORA_UI_VOICEMAILPAGE_H
#define LINKORA_UI_VOICEMAILPAGE_H

#include "ui/historyfiltermodel.h"
#include "util/stopwatch.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QScopedPointer>
#include <QWidget>

class Phone;
class QMenu;
class QTimer;

namespace Ui {
class VoicemailPage;
}

// The voicemail view: the account's messages newest first, each with an
// icon for whether it was played, is playing or paused, and the playback
// clock of the message being played (elapsed, remaining, position).
// A click on a row's icon plays or pauses it; the context menu holds the
// message commands.
class VoicemailPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VoicemailPage)

public:
    // A click counts only this close to the row's left edge: on the icon.
    static constexpr int kIconZone = 26;
    static constexpr int kTickInterval = 500;

    explicit VoicemailPage(QWidget *parent = nullptr);
    ~VoicemailPage() override;

    void setPhone(Phone *phone);
    void showVolumePanel();
    void hideVolumePanel();

    HistoryFilterModel *filterModel() const { return m_filterModel; }
    // The message being played or paused; invalid when none is.
    QPersistentModelIndex currentIndex() const { return m_currentIndex; }
    bool isPlaying() const;

public slots:
    void setVoicemailHistoryFilter(HistoryFilter filter);
    // 0 all time, 1 one day, 2 seven days.
    void setVoicemailHistoryFilter(int filter);
    void onLoginSuccedeed();
    void onItemClicked(const QModelIndex &index);
    void onContextMenuRequested(const QPoint &position);
    void onPlaybackTimerTimeout();
    void onPlaybackSliderMoved(int value);
    void onPauseTriggered();
    void onPlayTriggered();
    void onPlayFromStartTriggered();
    void onPlayPrevTriggered();
    void onPlayNextTriggered();
    void onAddContactTriggered();
    void onCallBackTriggered();
    void onDeleteTriggered();

signals:
    // The context menu's "Call back" and "Add Contact".
    void callBack(const QString &name, const QString &number);
    void saveNumber(const QString &number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void startPlayback(const QModelIndex &sourceIndex);
    void stopPlayback();
    void pausePlayback();
    void resumePlayback();
    void setState(const QModelIndex &sourceIndex, int state);
    int stateOf(const QModelIndex &sourceIndex) const;
    // The message beside the menu's one in the list's order.
    QModelIndex menuNeighbour(int step) const;

    const QScopedPointer<Ui::VoicemailPage> m_ui;
    HistoryFilterModel *m_filterModel;
    QPersistentModelIndex m_currentIndex;
    QPersistentModelIndex m_menuIndex;
    // The last context menu, kept until the next one is made.
    QPointer<QMenu> m_menu;
    QTimer *m_playbackTimer;
    // Runs while the message plays; the time played before the last pause
    // is in m_playedOffset.
    Stopwatch m_clock;
    qint64 m_playedOffset = 0;
    QPointer<Phone> m_phone;
    // Where the last press on the list landed, in the list's viewport.
    QPoint m_pressPosition;
};

#endif // LINKORA_UI_VOICEMAILPAGE_H
