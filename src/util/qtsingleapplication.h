#ifndef QTSINGLEAPPLICATION_H
#define QTSINGLEAPPLICATION_H

#include <QApplication>
#include <QString>

class SingleInstance;

// The application object of a program that runs once per user. The first
// instance claims the identity when it is constructed; a later start finds
// isRunning() true and can hand the first one a message.
class QtSingleApplication : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY(QtSingleApplication)

public:
    // An empty appId makes the program file's path the identity.
    QtSingleApplication(const QString &appId, int &argc, char **argv);
    QtSingleApplication(int &argc, char **argv);
    ~QtSingleApplication() override;

    // True while another instance holds the claim; a call that finds none
    // makes this instance the one that receives messages from then on.
    bool isRunning();
    // Sends message to the running instance and waits up to timeout ms for it
    // to confirm receipt.
    bool sendMessage(const QString &message, int timeout);
    QString id() const;
    // Why it cannot be told whether another instance runs; empty when it can.
    QString instanceProblem() const;
    // The problem is another copy on the same data folder.
    bool instanceDataFolderTaken() const;
    QString lockFilePath() const;

signals:
    void messageReceived(const QString &message);

private:
    SingleInstance *m_instance;
};

#endif // QTSINGLEAPPLICATION_H
