#ifndef LINKORA_UI_CONTACTDETAILSPAGE_H
#define LINKORA_UI_CONTACTDETAILSPAGE_H

#include <QString>
#include <QWidget>

class ContactManager;

// The page that shows one contact of the address book.
class ContactDetailsPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactDetailsPage)

public:
    explicit ContactDetailsPage(QWidget *parent = nullptr);

    void setContactManager(ContactManager *contactManager);
    // Fills the page with the contact of that nick.
    void setContact(const QString &nick);
    // Forgets the contact shown.
    void clear();

public slots:
    // Fills the page again from the contact shown.
    void updateContact();

signals:
    void callContact(const QString &name, const QString &number);
    void sendSMS(const QString &name, const QString &number);
    void editContactRequested(const QString &nick);
    void deleteContactRequested(const QString &nick);

private:
    ContactManager *m_contactManager = nullptr;
    QString m_nick;
};

#endif // LINKORA_UI_CONTACTDETAILSPAGE_H
