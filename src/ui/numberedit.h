#ifndef LINKORA_UI_NUMBEREDIT_H
#define LINKORA_UI_NUMBEREDIT_H

#include <QPixmap>
#include <QPointer>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

class FlagPopup;
class NumberHistory;
class QKeyEvent;
class RecentNumbersPopup;

namespace Ui {
class NumberEdit;
}

// The phone-number field: lets only phone characters in, recognises the
// country from the dialling prefix while the user types and writes the
// number as prefix, dash and the rest. Its flag opens the country picker,
// its right button lists the recent numbers or clears the field. While it
// shows the number of a call, nothing edits it: the keys typed into it are
// left to the page it sits on.
class NumberEdit : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(NumberEdit)

public:
    explicit NumberEdit(QWidget *parent = nullptr);
    ~NumberEdit() override;

    // Not owned; without a history the recent list stays closed.
    void setNumberHistory(NumberHistory *numberHistory);

    // The text as shown, dashes included.
    QString text() const;
    // Refused while a call lasts.
    void setText(const QString &text);
    int currentCountryIndex() const;
    // Refused while a call lasts.
    void setCurrentCountryIndex(int row);
    // While a call lasts the field keeps the callee as called: the text is
    // read-only (no typing, pasting, cutting or dropping), the button that
    // would clear it, or put a recent number in its place, is hidden, and the
    // flag, which names the callee's country, picks no other. Clearing it
    // (the sign-out does) still works.
    void setCallInProgress(bool inCall);
    // Gives the keyboard to the field: the next key typed goes into it.
    void focusNumberField();

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void clearNumber();

signals:
    void saveNumberClicked(const QString &text);
    // The number without dashes, "+", "011" and leading zeros.
    void numberChanged(const QString &number);
    void returnPressed();

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onRecentClearClicked();
    void onSaveNumberClicked();
    void onNumberChanged(const QString &text);
    void onFlagButtonClicked();
    void onFlagPopupClosed();
    void onRecentNumbersPopupClosed();
    void onRecentNumberSelected(const QString &number);
    void onPrefixSelected(const QPixmap &flag, const QString &countryName, const QString &prefix,
                          bool clearNumber);
    void onFormatNumberRequested(int row);
    void on_numberLineEdit_returnPressed();

private:
    void setFlag(const QPixmap &flag, const QString &text);
    void showRecentNumbers();
    void showPopup(QWidget *popup);
    // After a pick from one of the lists.
    void takeBackFromList();
    static QString cleanNumber(const QString &number, bool removeDashes);
    bool isHotKeyInForce(const QKeyEvent *event) const;
    void fitTextToField();

    const QScopedPointer<Ui::NumberEdit> ui;
    FlagPopup *flagPopup;
    RecentNumbersPopup *recentNumbersPopup;
    QPointer<NumberHistory> numberHistory;
    QString previousText;
    bool callInProgress = false;
    // The font size the style gives the number; a long number is shown
    // smaller rather than cut at the field's edge.
    int fullFontSize = 0;
};

#endif // LINKORA_UI_NUMBEREDIT_H
