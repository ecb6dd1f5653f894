#ifndef LINKORA_UI_CONTACTDETAILSPAGE_H
#define LINKORA_UI_CONTACTDETAILSPAGE_H

#include <QScopedPointer>
#include <QString>
#include <QWidget>

class ContactManager;

namespace Ui {
class ContactDetailsPage;
}

// One contact of the address book: its name, up to five numbers each with a
// call and an SMS button, its group, first e-mail address and address line.
// The page only shows; its buttons become requests to the central area. It
// knows the contact by nick and reads it from the address book each time.
class ContactDetailsPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactDetailsPage)

public:
    static constexpr int MaxNumbers = 5;

    explicit ContactDetailsPage(QWidget *parent = nullptr);
    ~ContactDetailsPage() override;

    void setContactManager(ContactManager *contactManager);
    // Fills the page with the contact of that nick; a nick the address book
    // does not hold empties the page.
    void setContact(const QString &nick);
    // Forgets the contact shown; what the page shows stays.
    void clear();
    QString nick() const { return m_nick; }

public slots:
    // Fills the page again from the contact shown.
    void updateContact();

signals:
    // The name is always empty.
    void callContact(const QString &name, const QString &number);
    void sendSMS(const QString &name, const QString &number);
    void editContactRequested(const QString &nick);
    void deleteContactRequested(const QString &nick);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onCallNumberClicked();
    void onSendSMSClicked();
    void onDeleteClicked();
    void onEditClicked();

private:
    // The 0-based row of a widget named "..._<row + 1>"; -1 for another name.
    static int phoneRowIndex(const QString &objectName);
    void showRow(int row, const QString &type, const QString &number);
    void hideRow(int row);
    // The number shown in the row of the clicked button; empty for another sender.
    QString senderNumber() const;
    void showName();
    // Fits the scrolling part of the page to what it holds.
    void fitDetails();
    void makeRoomForScrollBar();

    const QScopedPointer<Ui::ContactDetailsPage> m_ui;
    QString m_nick;
    QString m_name;
    // The form's right margin of the numbers and details.
    int m_rightMargin = 0;
    ContactManager *m_contactManager = nullptr;
};

#endif // LINKORA_UI_CONTACTDETAILSPAGE_H
