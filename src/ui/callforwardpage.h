#ifndef LINKORA_UI_CALLFORWARDPAGE_H
#define LINKORA_UI_CALLFORWARDPAGE_H

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class CallForwardPage;
}

// Where the account's calls are forwarded to. For now it shows how the
// rules will read; they cannot be edited yet.
class CallForwardPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallForwardPage)

public:
    explicit CallForwardPage(QWidget *parent = nullptr);
    ~CallForwardPage() override;

public slots:
    void onEditCallForwardingClicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::CallForwardPage> m_ui;
};

#endif // LINKORA_UI_CALLFORWARDPAGE_H
