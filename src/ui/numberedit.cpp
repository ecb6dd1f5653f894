#include "ui/numberedit.h"
#include "ui_numberedit.h"

#include "history/numberhistory.h"
#include "prefixprovider.h"
#include "ui/countrytable.h"
#include "ui/flagpopup.h"
#include "ui/phonenumbervalidator.h"
#include "ui/recentnumberspopup.h"
#include "ui/repolishwidget.h"
#include "util/trace.h"

#include <QGraphicsDropShadowEffect>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOption>

#include <algorithm>

namespace {

const QString kCanada = QStringLiteral("Canada");
constexpr int kLongestPrefix = 4;
// Below this a long number is no longer made smaller: the field scrolls.
constexpr int kSmallestFontSize = 10;
// What a line edit keeps free left and right of its text.
constexpr int kTextMargin = 2;

// One leading "011" (the North American exit code) and every leading "0".
void removeExitCode(QString &number)
{
    if (number.startsWith(QLatin1String("011")))
        number.remove(0, 3);
    int zeros = 0;
    while (zeros < number.size() && number.at(zeros) == QLatin1Char('0'))
        ++zeros;
    number.remove(0, zeros);
}

} // namespace

NumberEdit::NumberEdit(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::NumberEdit)
{
    ui->setupUi(this);
    flagPopup = new FlagPopup(this);
    recentNumbersPopup = new RecentNumbersPopup(this);

    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(8);
    ui->flagButton->setGraphicsEffect(shadow);

    ui->saveNumberButton->hide();
    ui->numberLineEdit->setValidator(new PhoneNumberValidator(PhoneNumberValidator::WithKeyPadSigns, this));
    ui->recentClearButton->setToolTip(tr("Show recent numbers"));
    flagPopup->setObjectName(QStringLiteral("flagPopup"));
    recentNumbersPopup->setObjectName(QStringLiteral("recentNumberPopup"));
    setFlag(flagPopup->currentFlag(), flagPopup->currentCountryName());

    connect(ui->saveNumberButton, &QPushButton::clicked, this, &NumberEdit::onSaveNumberClicked);
    connect(ui->flagButton, &QPushButton::clicked, this, &NumberEdit::onFlagButtonClicked);
    connect(ui->flagArrowButton, &QPushButton::clicked, this, &NumberEdit::onFlagButtonClicked);
    connect(ui->recentClearButton, &QPushButton::clicked, this, &NumberEdit::onRecentClearClicked);
    connect(ui->numberLineEdit, &QLineEdit::textChanged, this, &NumberEdit::onNumberChanged);
    connect(flagPopup, &FlagPopup::closed, this, &NumberEdit::onFlagPopupClosed);
    connect(flagPopup, &FlagPopup::prefixSelected, this, &NumberEdit::onPrefixSelected);
    connect(recentNumbersPopup, &RecentNumbersPopup::closed, this, &NumberEdit::onRecentNumbersPopupClosed);
    connect(recentNumbersPopup, &RecentNumbersPopup::numberSelected, this,
            &NumberEdit::onRecentNumberSelected);
    connect(flagPopup, &FlagPopup::formatNumber, this, &NumberEdit::onFormatNumberRequested);

    ui->numberLineEdit->installEventFilter(this);
}

NumberEdit::~NumberEdit() = default;

void NumberEdit::setNumberHistory(NumberHistory *numberHistory)
{
    this->numberHistory = numberHistory;
}

QString NumberEdit::text() const
{
    return ui->numberLineEdit->text();
}

void NumberEdit::setText(const QString &text)
{
    if (callInProgress) {
        TRACE << "The number called stays during the call";
        return;
    }
    ui->numberLineEdit->setText(text);
}

int NumberEdit::currentCountryIndex() const
{
    return flagPopup->currentCountryIndex();
}

void NumberEdit::setCurrentCountryIndex(int row)
{
    // The picker would write the country's prefix over the number called.
    if (callInProgress)
        return;
    flagPopup->setCurrentCountryIndex(row);
}

void NumberEdit::setCallInProgress(bool inCall)
{
    callInProgress = inCall;
    if (inCall && recentNumbersPopup->isVisible())
        recentNumbersPopup->onClosePicker();
    if (inCall && flagPopup->isVisible())
        flagPopup->onClosePicker();
    ui->recentClearButton->setHidden(inCall);
    ui->numberLineEdit->setReadOnly(inCall);
    // A country picked now would write its prefix over the number called.
    // The disabled flag keeps its colours: it still shows the callee's
    // country. An open picker keeps the buttons disabled until it closes.
    const bool flagEnabled = !inCall && !ui->flagButton->isCheckable();
    const QCursor cursor(inCall ? Qt::ArrowCursor : Qt::PointingHandCursor);
    for (QPushButton *button : {ui->flagButton, ui->flagArrowButton}) {
        button->setEnabled(flagEnabled);
        button->setCursor(cursor);
    }
}

void NumberEdit::clearNumber()
{
    ui->numberLineEdit->clear();
}

void NumberEdit::focusNumberField()
{
    ui->numberLineEdit->setFocus(Qt::OtherFocusReason);
}

void NumberEdit::setFlag(const QPixmap &flag, const QString &text)
{
    QIcon icon;
    // The flag keeps its colours while the picker is open and the buttons are disabled.
    icon.addPixmap(flag, QIcon::Normal);
    icon.addPixmap(flag, QIcon::Disabled);
    ui->flagButton->setIcon(icon);
    ui->flagButton->setToolTip(text);
    ui->flagArrowButton->setToolTip(text);
}

void NumberEdit::onNumberChanged(const QString &text)
{
    const bool wasClear = ui->recentClearButton->property("_is_clear").toBool();
    const bool isClear = !text.isEmpty();
    ui->saveNumberButton->setVisible(isClear);
    if (wasClear != isClear) {
        ui->recentClearButton->setProperty("_is_clear", isClear);
        repolishWidget(ui->recentClearButton);
        ui->recentClearButton->setToolTip(isClear ? tr("Clear number") : tr("Show recent numbers"));
    }

    QString number = text.trimmed();
    number.remove(QLatin1Char('-'));
    if (number.startsWith(QLatin1Char('+')))
        number.remove(0, 1);
    removeExitCode(number);

    // The longest known prefix wins. Selecting its country may write the
    // text again, which runs this handler once more before it goes on.
    if (!number.isEmpty() && number.at(0).isDigit()) {
        const PrefixProvider *table = countryTable();
        for (int length = qMin(int(number.size()), kLongestPrefix); length > 0; --length) {
            const int index = table->indexOfPrefix(number.left(length));
            if (index != -1) {
                flagPopup->setCurrentCountryIndex(index);
                break;
            }
        }
    }

    previousText = text;
    fitTextToField();
    emit numberChanged(number);
}

void NumberEdit::onPrefixSelected(const QPixmap &flag, const QString &countryName, const QString &prefix,
                                  bool clearNumber)
{
    // Picked from the open list, not set from outside.
    const bool picked = flagPopup->isVisible();
    setFlag(flag, countryName);

    QString number = ui->numberLineEdit->text();
    number.remove(QLatin1Char('-'));
    number = number.trimmed();
    if (number.startsWith(QLatin1Char('+')))
        number.remove(0, 1);
    removeExitCode(number);
    if (number.startsWith(prefix))
        number.remove(0, prefix.size());
    if (clearNumber)
        number.clear();

    int cursor = ui->numberLineEdit->cursorPosition();
    const bool cursorAtEnd = cursor == ui->numberLineEdit->text().size();
    // Canada's area codes are its prefixes: the number already holds one.
    if (countryName != kCanada)
        ui->numberLineEdit->setText(prefix + QLatin1Char('-') + number);
    // A cursor behind the last digit stays there, however the text grew:
    // the next key goes to the end.
    if (cursorAtEnd)
        cursor = ui->numberLineEdit->text().size();
    if (number.isEmpty())
        cursor = prefix.size() + 1;
    if (!clearNumber)
        ui->numberLineEdit->setCursorPosition(cursor);
    if (picked)
        takeBackFromList();
}

void NumberEdit::onFormatNumberRequested(int row)
{
    const QString current = ui->numberLineEdit->text();
    // Already written with its prefix.
    if ((previousText.contains(QLatin1Char('-')) || current.contains(QLatin1Char('-')))
        && !current.contains(QLatin1Char('+')))
        return;

    QString number = cleanNumber(current, true);
    removeExitCode(number);

    const QStringList prefixes = countryTable()->prefixesAt(row);
    if (prefixes.isEmpty() || flagPopup->currentCountryName() == kCanada)
        return;
    const QString &prefix = prefixes.first();
    if (number.startsWith(prefix))
        number.remove(0, prefix.size());
    ui->numberLineEdit->setText(prefix + QLatin1Char('-') + number);
}

QString NumberEdit::cleanNumber(const QString &number, bool removeDashes)
{
    QString cleaned = number;
    if (cleaned.startsWith(QLatin1Char('+')))
        cleaned.remove(0, 1);
    cleaned.remove(QLatin1Char('('));
    cleaned.remove(QLatin1Char(')'));
    if (removeDashes)
        cleaned.remove(QLatin1Char('-'));
    return cleaned;
}

void NumberEdit::onFlagButtonClicked()
{
    QPushButton *button = ui->flagButton;
    // Checked and checkable while the picker is open.
    if (button->isChecked() || button->isCheckable())
        return;
    button->setCheckable(true);
    button->setChecked(true);
    button->setEnabled(false);
    ui->flagArrowButton->setEnabled(false);

    showPopup(flagPopup);
}

void NumberEdit::showPopup(QWidget *popup)
{
    // Both lists hang from the field's left edge, under the flag.
    QPushButton *flag = ui->flagButton;
    QPoint position = flag->parentWidget()->mapToGlobal(flag->pos());
    position.ry() += flag->minimumHeight();
    popup->move(position);
    popup->show();
    popup->activateWindow();
}

void NumberEdit::onFlagPopupClosed()
{
    ui->flagButton->setChecked(false);
    ui->flagButton->setCheckable(false);
    ui->flagButton->setEnabled(!callInProgress);
    ui->flagArrowButton->setEnabled(!callInProgress);
}

void NumberEdit::onRecentClearClicked()
{
    if (ui->recentClearButton->property("_is_clear").toBool()) {
        ui->numberLineEdit->clear();
        // The clicked button took the keyboard; a new number is typed next.
        focusNumberField();
    } else {
        showRecentNumbers();
    }
}

void NumberEdit::showRecentNumbers()
{
    // The style sheet addresses the open list by this name; a renamed
    // widget keeps its old look until it is polished again.
    const QString openName = QStringLiteral("recentNumbersPopup");
    if (recentNumbersPopup->objectName() != openName) {
        recentNumbersPopup->setObjectName(openName);
        repolishWidget(recentNumbersPopup);
        const QList<QWidget *> children = recentNumbersPopup->findChildren<QWidget *>();
        for (QWidget *child : children)
            repolishWidget(child);
    }
    recentNumbersPopup->setNumbers(numberHistory ? numberHistory->recentNumbers() : QStringList());

    QPushButton *button = ui->recentClearButton;
    if (recentNumbersPopup->count() < 1 || button->isChecked() || button->isCheckable())
        return;
    button->setCheckable(true);
    button->setChecked(true);
    button->setEnabled(false);

    showPopup(recentNumbersPopup);
}

void NumberEdit::onRecentNumbersPopupClosed()
{
    ui->recentClearButton->setChecked(false);
    ui->recentClearButton->setCheckable(false);
    ui->recentClearButton->setEnabled(true);
}

void NumberEdit::onRecentNumberSelected(const QString &number)
{
    setText(number);
    takeBackFromList();
}

void NumberEdit::takeBackFromList()
{
    // The list had the keyboard and its window the activation; both come
    // back to the field, where the number is called or finished.
    focusNumberField();
    activateWindow();
}

void NumberEdit::onSaveNumberClicked()
{
    emit saveNumberClicked(ui->numberLineEdit->text());
}

void NumberEdit::on_numberLineEdit_returnPressed()
{
    emit returnPressed();
}

bool NumberEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->numberLineEdit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // A hot key the user chose wins over the field's own editing keys
        // (Ctrl+E, Ctrl+K, Ctrl+U, ...): left unaccepted, the key goes to
        // the window's shortcuts.
        if (isHotKeyInForce(static_cast<QKeyEvent *>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::Resize:
        fitTextToField();
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        // The line is drawn without a frame of its own: the field's frame
        // shows that the keys go here, as the other fields' frames do.
        setProperty("_focused", event->type() == QEvent::FocusIn);
        repolishWidget(this);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool NumberEdit::isHotKeyInForce(const QKeyEvent *event) const
{
    // The key pad's Enter comes with the key-pad flag; the shortcut map
    // matches it without.
    const QKeySequence pressed(
        QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    const QList<QShortcut *> shortcuts = window()->findChildren<QShortcut *>();
    return std::any_of(shortcuts.cbegin(), shortcuts.cend(), [&pressed](const QShortcut *shortcut) {
        return shortcut->isEnabled() && shortcut->keys().contains(pressed);
    });
}

void NumberEdit::fitTextToField()
{
    QLineEdit *edit = ui->numberLineEdit;
    edit->ensurePolished();
    // Without a size of our own the font is the style's.
    if (edit->styleSheet().isEmpty())
        fullFontSize = QFontInfo(edit->font()).pixelSize();
    if (fullFontSize <= 0)
        return;

    // Where the line edit draws its text, less the small margin it keeps on
    // either side and a pixel for the cursor.
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth
        = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const int room = contents.marginsRemoved(edit->textMargins()).width() - 2 * kTextMargin - 1;
    QFont font = edit->font();
    int size = fullFontSize;
    for (; size > kSmallestFontSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(edit->text()) <= room)
            break;
    }
    const QString sheet = size == fullFontSize ? QString() : QStringLiteral("font-size: %1px;").arg(size);
    if (edit->styleSheet() != sheet)
        edit->setStyleSheet(sheet);
}

void NumberEdit::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
