#include "ui/phonenumberwidget.h"
#include "ui_phonenumberwidget.h"

#include "ui/phonenumbervalidator.h"
#include "ui/repolishwidget.h"
#include "util/trace.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>

PhoneNumberWidget::PhoneNumberWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::PhoneNumberWidget)
    , m_typeMenu(new QMenu(this))
{
    m_ui->setupUi(this);
    setFocusPolicy(Qt::StrongFocus);
    m_typeMenu->setObjectName(QStringLiteral("phoneTypePopup"));

    // Cleans a pasted number the way the dial pad's field does.
    m_ui->phoneLineEdit->setValidator(new PhoneNumberValidator(PhoneNumberValidator::DigitsOnly, this));
    m_ui->phoneLineEdit->installEventFilter(this);
    setFocusProxy(m_ui->phoneLineEdit);
    m_ui->addButton->installEventFilter(this);
    m_ui->removeButton->installEventFilter(this);

    const char *const icons[]
        = {":/gfx/addcontact/phone-type-home.png", ":/gfx/addcontact/phone-type-work.png",
           ":/gfx/addcontact/phone-type-mobile.png"};
    for (int type = 0; type < 3; ++type) {
        QAction *action
            = m_typeMenu->addAction(QIcon(QString::fromLatin1(icons[type])), typeName(type).toLower(), this,
                                    &PhoneNumberWidget::onPhoneTypeChosen);
        action->setData(type);
    }

    m_ui->addButton->show();
    m_ui->removeButton->show();
    connect(m_ui->choosePhoneTypeButton, &QPushButton::clicked, this,
            &PhoneNumberWidget::onChoosePhoneTypeClicked);
    connect(m_ui->addButton, &QPushButton::clicked, this, &PhoneNumberWidget::addClicked);
    connect(m_ui->removeButton, &QPushButton::clicked, this, &PhoneNumberWidget::removeClicked);
}

PhoneNumberWidget::~PhoneNumberWidget() = default;

QString PhoneNumberWidget::typeName(int type)
{
    switch (type) {
    case 0:
        return tr("Home");
    case 1:
        return tr("Work");
    case 2:
        return tr("Mobile");
    default:
        return QString();
    }
}

void PhoneNumberWidget::setPhoneType(int type)
{
    // The style sheet selects on the untranslated name.
    static const char *const names[] = {"home", "work", "mobile"};
    const QString name = type >= 0 && type < 3 ? QString::fromLatin1(names[type]) : QString();
    m_ui->choosePhoneTypeButton->setProperty("_phone_type", name);
    repolishWidget(m_ui->choosePhoneTypeButton);
    m_type = type;
}

void PhoneNumberWidget::setNumber(const QString &number)
{
    m_ui->phoneLineEdit->setText(number);
}

QString PhoneNumberWidget::number() const
{
    return m_ui->phoneLineEdit->text();
}

void PhoneNumberWidget::setButtonsVisible(int mode)
{
    switch (mode) {
    case AddOnly:
        m_ui->addButton->show();
        m_ui->removeButton->hide();
        break;
    case RemoveOnly:
        m_ui->addButton->hide();
        m_ui->removeButton->show();
        break;
    case AddAndRemove:
        m_ui->addButton->show();
        m_ui->removeButton->show();
        break;
    default:
        TRACE << mode;
        break;
    }
}

void PhoneNumberWidget::onChoosePhoneTypeClicked()
{
    const QWidget *button = m_ui->choosePhoneTypeButton;
    m_typeMenu->popup(button->parentWidget()->mapToGlobal(button->pos()));
}

void PhoneNumberWidget::onPhoneTypeChosen()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    bool ok = false;
    const int type = action ? action->data().toInt(&ok) : 0;
    if (!ok) {
        TRACE << "Can't convert??";
        return;
    }
    TRACE << "Chosen..." << type;
    setPhoneType(type);
    m_ui->phoneLineEdit->setFocus();
}

bool PhoneNumberWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->phoneLineEdit && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down) {
        onChoosePhoneTypeClicked();
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // Left by the mouse: the next focus on the row goes where the user puts it.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason)
            setFocusProxy(nullptr);
    }
    return QWidget::eventFilter(watched, event);
}

void PhoneNumberWidget::focusChild(QWidget *child, Qt::FocusReason reason)
{
    setFocusProxy(child);
    child->setFocus(reason);
}

void PhoneNumberWidget::focusInEvent(QFocusEvent *event)
{
    event->accept();
    if (event->reason() != Qt::BacktabFocusReason) {
        focusChild(m_ui->phoneLineEdit, event->reason());
    } else if (m_ui->addButton->isVisibleTo(this)) {
        focusChild(m_ui->addButton, event->reason());
    } else if (m_ui->removeButton->isVisibleTo(this)) {
        focusChild(m_ui->removeButton, event->reason());
    }
}

bool PhoneNumberWidget::focusNextPrevChild(bool next)
{
    QWidget *focused = QApplication::focusWidget();
    QWidget *line = m_ui->phoneLineEdit;
    QWidget *add = m_ui->addButton->isVisibleTo(this) ? m_ui->addButton : nullptr;
    QWidget *remove = m_ui->removeButton->isVisibleTo(this) ? m_ui->removeButton : nullptr;
    QWidget *target = nullptr;
    if (next) {
        if (focused == line)
            target = remove ? remove : add;
        else if (focused == m_ui->removeButton)
            target = add;
    } else if (focused == m_ui->addButton) {
        target = remove ? remove : line;
    } else if (focused == m_ui->removeButton) {
        target = line;
    }
    if (!target) {
        // The end of the row: the dialog moves the focus on.
        setFocusProxy(nullptr);
        return false;
    }
    focusChild(target, next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
