#ifndef LINKORA_UI_ADDEDITCONTACTDIALOG_H
#define LINKORA_UI_ADDEDITCONTACTDIALOG_H

#include "rest/contact.h"
#include "ui/contactgroup.h"
#include "ui/dialogbase.h"

#include <QList>
#include <QScopedPointer>
#include <QString>

class ContactManager;
class PhoneNumberWidget;
class QLabel;

namespace Ui {
class AddEditContactDialogContent;
}

// The form that adds a contact to the address book or edits one: names, a
// group picked from the list or typed as a new one, an e-mail address, an
// address and one to five numbers with their kinds. It checks every field,
// marks the labels of the bad ones, refuses a contact that shares its name,
// an e-mail address or a number with another one, and hands the result to
// the address book; only then is it accepted.
//
// An edit changes only what the form shows: further e-mail addresses and
// numbers beyond the fifth stay as they were.
class AddEditContactDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(AddEditContactDialog)

public:
    static constexpr int MaxPhoneRows = 5;

    explicit AddEditContactDialog(QWidget *parent = nullptr);
    ~AddEditContactDialog() override;

    void setContactManager(ContactManager *contactManager);
    // Add mode, offering the given groups.
    void setAddContact(const QList<ContactGroupPtr> &groups);
    // Edit mode for the contact with that nick. A contact the address book
    // does not hold, or whose group it does not, leaves nothing to save.
    void setEditContact(const QString &nick);
    // Puts the number into the first phone row, as a home number.
    void setPhoneNumber(const QString &number);
    void setGroups(const QList<ContactGroupPtr> &groups);
    // Shows rows 1 to n, all of them emptied.
    void setPhoneRowCount(int count);
    int phoneRowCount() const { return m_rowCount; }

public slots:
    void onAddSaveContactClicked();
    void onAddNumberClicked();
    void onRemoveNumberClicked();
    void onAddGroupClicked();
    void onCancelAddGroupClicked();
    // Empty when the new group's name can be used, else the field's name.
    QString checkGroup();

protected:
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    using PhoneRow = QPair<QString, int>; // number as typed, kind

    PhoneNumberWidget *phoneRow(int row) const; // 1-based
    QWidget *phoneLabelWidget(int row) const;
    QLabel *phoneTextLabel(int row) const;
    // The 0-based row of a widget named "..._<row + 1>"; -1 for another name.
    static int phoneRowIndex(const QString &objectName);
    QList<PhoneRow> phoneRows() const;
    void fillPhoneRows(const QList<PhoneRow> &rows);
    void markInvalid(QLabel *label, bool invalid);
    QStringList validate();
    Contact contactFromForm() const;
    // Hands the contact to the address book; false when the book refused it.
    bool save(Contact contact, const QString &newGroupName);
    void markSharedFields(QStringList shared);
    void updateMinimumSize();
    QWidget *focusTarget(QWidget *from, bool next) const;

    const QScopedPointer<Ui::AddEditContactDialogContent> m_ui;
    int m_rowCount = 0;
    bool m_needsMinimumSize = false;
    QString m_editNick;
    ContactManager *m_contactManager = nullptr;
    bool m_addMode = false;
    QString m_editGroupName;
};

#endif // LINKORA_UI_ADDEDITCONTACTDIALOG_H
