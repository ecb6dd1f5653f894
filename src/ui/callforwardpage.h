#ifndef LINKORA_UI_CALLFORWARDPAGE_H
#define LINKORA_UI_CALLFORWARDPAGE_H

#include "rest/callforward.h"

#include <QList>
#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class CallForwardPage;
}

// Where the account's calls are forwarded to. Until the account's rules
// arrive it shows how they read; they are edited on the brand's web page.
class CallForwardPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallForwardPage)

public:
    explicit CallForwardPage(QWidget *parent = nullptr);
    ~CallForwardPage() override;

    // How a rule reads under its number: when it forwards.
    static QString conditionsText(const CallForward &rule);

public slots:
    // Replaces the rows with the account's rules.
    void setCallForwards(const QList<CallForward> &rules);
    void onEditCallForwardingClicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::CallForwardPage> m_ui;
};

#endif // LINKORA_UI_CALLFORWARDPAGE_H
