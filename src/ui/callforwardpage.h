#ifndef LINKORA_UI_CALLFORWARDPAGE_H
#define LINKORA_UI_CALLFORWARDPAGE_H

#include <QWidget>

// Where the account's calls are forwarded to.
class CallForwardPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CallForwardPage)

public:
    explicit CallForwardPage(QWidget *parent = nullptr);
};

#endif // LINKORA_UI_CALLFORWARDPAGE_H
