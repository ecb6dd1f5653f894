#ifndef UITESTHELPERS_H
#define UITESTHELPERS_H

#include "settings/dbstore.h"
#include "support/casestore.h"
#include "support/connectivityprobe.h"
#include "ui/messageprompt.h"
#include "util/systemtray.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QList>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <functional>

namespace UiTesting {

inline QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The look the application object gives the program: its fonts, then the
// common style sheet and the main one, read as Latin-1.
inline void applyApplicationLook()
{
    static bool fontsLoaded = false;
    if (!fontsLoaded) {
        fontsLoaded = true;
        const QStringList fonts
            = QString::fromLatin1(readResource(QStringLiteral(":/fonts/index.txt"))).split(QLatin1Char('\n'));
        for (const QString &font : fonts) {
            if (!font.trimmed().isEmpty())
                QFontDatabase::addApplicationFont(font.trimmed());
        }
    }
    qApp->setStyleSheet(QString::fromLatin1(readResource(QStringLiteral(":/css/common-stylesheet.css")))
                        + QString::fromLatin1(readResource(QStringLiteral(":/css/stylesheet.css"))));
}

// Where the screenshots go: a folder next to the test program.
inline QString screenshotPath(const QString &name)
{
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + name);
}

// Stands in for the user in front of the message boxes while it lives: it
// records each box and answers with the next queued button (Ok, or No for a
// question, when none is queued). With a reading time the answer comes that
// many milliseconds later, events flowing meanwhile as under a real box.
class PromptRecorder
{
public:
    PromptRecorder()
    {
        MessagePrompt::setHandler([this](const MessagePrompt::Request &request) {
            requests << request;
            if (readingTime > 0) {
                QEventLoop reading;
                QTimer::singleShot(readingTime, &reading, &QEventLoop::quit);
                reading.exec();
            }
            if (!answers.isEmpty())
                return answers.takeFirst();
            return request.icon == QMessageBox::Question ? QMessageBox::No : QMessageBox::Ok;
        });
    }
    ~PromptRecorder() { MessagePrompt::setHandler({}); }
    Q_DISABLE_COPY(PromptRecorder)

    QStringList texts() const
    {
        QStringList list;
        for (const MessagePrompt::Request &request : requests)
            list << request.text;
        return list;
    }
    QStringList titles() const
    {
        QStringList list;
        for (const MessagePrompt::Request &request : requests)
            list << request.title;
        return list;
    }

    QList<MessagePrompt::Request> requests;
    QList<QMessageBox::StandardButton> answers;
    int readingTime = 0;
};

// Presses Ok on the message boxes that do not go through MessagePrompt
// (Phone's number check opens its own), keeping their texts.
class ModalBoxCloser : public QObject
{
public:
    ModalBoxCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(20);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

using ::ConnectivityProbe;

// Gives the desktop a tray, or takes it away, while it lives: the offscreen
// platform has none of its own.
class TrayPresence
{
public:
    explicit TrayPresence(bool available) { SystemTray::setAvailable(available); }
    ~TrayPresence() { SystemTray::setAvailable(std::nullopt); }
    Q_DISABLE_COPY(TrayPresence)
};

// The menu's entry that reads text, or null.
inline QAction *menuEntry(const QMenu *menu, const QString &text)
{
    for (QAction *candidate : menu->actions()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// Clicks the entry of a menu that is up, as a person does; false when the
// entry cannot be clicked or the menu stays open.
inline bool clickMenuEntry(QMenu *menu, QAction *entry)
{
    const QRect place = menu->actionGeometry(entry);
    if (!place.isValid() || !entry->isEnabled())
        return false;
    QTest::mouseMove(menu, place.center());
    QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
    return QTest::qWaitFor([menu] { return !menu->isVisible(); }, 2000);
}

// Opens the menu bar's menu with a click and clicks the entry.
inline bool chooseFromMenuBar(QMenuBar *bar, QMenu *menu, QAction *entry)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
        return false;
    return clickMenuEntry(menu, entry);
}

// A person in front of the screen while it lives: takes each step, in order,
// once its condition holds, looking every few milliseconds. Steps run in
// whatever event loop turns, the nested ones of modal dialogs and of the
// in-page question included.
class ScriptedUser : public QObject
{
public:
    ScriptedUser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_steps.isEmpty() || !m_steps.first().ready())
                return;
            const Step step = m_steps.takeFirst();
            taken << step.name;
            // Posted: a step that opens a modal dialog must not hold up the
            // look for the next one, which may answer it.
            QMetaObject::invokeMethod(this, step.act, Qt::QueuedConnection);
        });
        m_timer.start(10);
    }
    Q_DISABLE_COPY(ScriptedUser)

    ScriptedUser &then(const QString &name, std::function<bool()> ready, std::function<void()> act)
    {
        m_steps.append({name, std::move(ready), std::move(act)});
        return *this;
    }
    // The steps not taken, for a failure's message.
    QString waitingFor() const
    {
        QStringList names;
        for (const Step &step : m_steps)
            names << step.name;
        return names.join(QStringLiteral(", "));
    }

    QStringList taken;

private:
    struct Step
    {
        QString name;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    QList<Step> m_steps;
    QTimer m_timer;
};

// What runProgramLoop() answers when nothing ended the loop in time.
constexpr int kStillRunning = 99;

// Runs the application's own event loop, as the program's main() does, for
// at most timeoutMs: the exit code it ended with, or kStillRunning. Whatever
// the test has queued (timers, a posted click) happens inside it.
inline int runProgramLoop(int timeoutMs)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(kStillRunning); });
    deadline.start(timeoutMs);
    return QCoreApplication::exec();
}

// Runs the action once the condition holds, from the event loop: modal
// dialogs and in-page questions wait in nested loops. With a context, the
// wait ends with it, also when the condition never came.
inline void when(std::function<bool()> ready, std::function<void()> action, QObject *context = nullptr)
{
    auto *timer = new QTimer(context);
    timer->start(5);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (!ready())
            return;
        timer->deleteLater();
        timer->stop();
        action();
    });
}

inline void whenModal(std::function<void(QWidget *)> action, QObject *context = nullptr)
{
    when([] { return QApplication::activeModalWidget(); },
         [action] { action(QApplication::activeModalWidget()); }, context);
}

// Through the window, as the system delivers it: the press brings the
// context menu.
inline void rightClick(QWidget *widget, const QPoint &pos)
{
    QWindow *window = widget->window()->windowHandle();
    QTest::mouseClick(window, Qt::RightButton, {}, widget->mapTo(widget->window(), pos));
}

// A left click through the window with the pointer moved there first, as
// a person's is: the menu buttons count only a click they were entered for.
inline void leftClick(QWidget *widget, const QPoint &pos)
{
    QWindow *window = widget->window()->windowHandle();
    const QPoint at = widget->mapTo(widget->window(), pos);
    QTest::mouseMove(window, at);
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

inline void leftClick(QWidget *widget)
{
    leftClick(widget, widget->rect().center());
}

// A real click on a row of a list, scrolled into view first.
inline void clickRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(item).center());
}

// Where the list draws the check box of a row, in its viewport.
inline QRect rowCheckBoxRect(const QListWidget *list, int row)
{
    const QListWidgetItem *item = list->item(row);
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(item);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.checkState = item->checkState();
    option.text = item->text();
    return list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
}

// A click on the check box of a row, scrolled into view first: the row's
// check state turns as under a person's mouse.
inline void clickRowCheckBox(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rowCheckBoxRect(list, row).center());
}

// Whether a view is still sliding in: its pictures lie over the pages and
// take the clicks meanwhile.
inline bool sliding(const QWidget *area)
{
    const QList<QAbstractAnimation *> animations = area->findChildren<QAbstractAnimation *>();
    return std::any_of(animations.cbegin(), animations.cend(), [](const QAbstractAnimation *animation) {
        return animation->state() == QAbstractAnimation::Running;
    });
}

} // namespace UiTesting

#endif // UITESTHELPERS_H
