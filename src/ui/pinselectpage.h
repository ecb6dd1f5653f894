#ifndef LINKORA_UI_PINSELECTPAGE_H
#define LINKORA_UI_PINSELECTPAGE_H

#include <QPointer>
#include <QScopedPointer>
#include <QStringList>
#include <QWidget>

class QMovie;
class Settings;

namespace Ui {
class PINSelectPage;
}

// The page on which the user picks one of the account's PINs. It reports the
// choice with PINSelected() and shows a spinner while the choice is applied.
class PINSelectPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(PINSelectPage)

public:
    explicit PINSelectPage(QWidget *parent = nullptr);
    ~PINSelectPage() override;

    void setSettings(Settings *settings);
    // Busy shows the spinner in place of the confirm button.
    void setBusy(bool busy);
    void setUserName(const QString &name);
    QString userName() const;
    int currentPinIndex() const;
    bool skipPinSelectionChecked() const;

public slots:
    void setPINs(const QStringList &pins);
    void setDefaultPIN(int index);
    void onConfirmClicked();

signals:
    void PINSelected(const QString &pin);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::PINSelectPage> m_ui;
    QMovie *m_spinner;
    QPointer<Settings> m_settings;
    int m_defaultPinIndex = 0;
};

#endif // LINKORA_UI_PINSELECTPAGE_H
