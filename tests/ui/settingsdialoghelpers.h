#ifndef SETTINGSDIALOGHELPERS_H
#define SETTINGSDIALOGHELPERS_H

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace SettingsTesting {

// Acts on the next modal dialog of the class once it is up, from inside its
// event loop; the action must end it.
template<typename Dialog>
void whenModal(std::function<void(Dialog *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        // The keys typed next go to the dialog's window.
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("the modal dialog is not the active window");
        action(dialog);
    });
    timer->start();
}

// A click on the box's square, where a person aims.
inline void clickCheckBox(QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect square = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, square.center());
}

// Steps the closed list to the row with the arrow keys.
inline void chooseWithKeys(QComboBox *combo, int row)
{
    combo->setFocus(Qt::TabFocusReason);
    while (combo->currentIndex() < row)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > row)
        QTest::keyClick(combo, Qt::Key_Up);
}

// Replaces the field's text as a person does: a click into it, everything
// selected and deleted, the new text typed.
inline void retype(QLineEdit *edit, const QString &text)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Types host and port into the proxy dialog and picks the type's row (-1:
// none).
inline void enterProxyAddress(QWidget *proxyDialog, const QString &host, const QString &port, int type)
{
    retype(proxyDialog->findChild<QLineEdit *>(QStringLiteral("hostnameLineEdit")), host);
    retype(proxyDialog->findChild<QLineEdit *>(QStringLiteral("portLineEdit")), port);
    proxyDialog->findChild<QComboBox *>(QStringLiteral("proxyTypeComboBox"))->setCurrentIndex(type);
}

inline QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace SettingsTesting

#endif // SETTINGSDIALOGHELPERS_H
