#ifndef LINKORA_UI_CREATEACCOUNTDIALOG_H
#define LINKORA_UI_CREATEACCOUNTDIALOG_H

#include "ui/dialogbase.h"

#include <QScopedPointer>
#include <QStringList>

class Account;
class QLabel;

namespace Ui {
class CreateAccountDialog;
}

// The sign-up form: e-mail, password twice, first and last name. It checks
// every field before it sends anything, marks the labels of the fields that
// fail and lists them in the error line. A valid form goes to the service
// through the program's Phone; the dialog then stays open until the answer:
// an account the service accepted is announced and accepts the dialog, a
// refusal or a failed request shows the reason in the error line and leaves
// the fields as they are.
class CreateAccountDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(CreateAccountDialog)

public:
    explicit CreateAccountDialog(QWidget *parent = nullptr);
    ~CreateAccountDialog() override;

    // Whether a request went out and no answer came yet.
    bool isWaitingForAnswer() const { return m_waiting; }

private slots:
    void onCreateClicked();
    QStringList validateData();
    void validateField(bool failed, QStringList &failures, QLabel *label, const QString &fieldName);
    void onAccountCreated();
    void onAccountAnswer(const Account &answer);
    void onAccountCreationFailed(const QString &reason);

private:
    const QScopedPointer<Ui::CreateAccountDialog> m_ui;
    bool m_waiting = false;
};

#endif // LINKORA_UI_CREATEACCOUNTDIALOG_H
