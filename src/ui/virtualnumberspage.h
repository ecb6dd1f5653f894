#ifndef LINKORA_UI_VIRTUALNUMBERSPAGE_H
#define LINKORA_UI_VIRTUALNUMBERSPAGE_H

#include "virtualnumber.h"

#include <QList>
#include <QWidget>

// The account's virtual numbers.
class VirtualNumbersPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VirtualNumbersPage)

public:
    explicit VirtualNumbersPage(QWidget *parent = nullptr);

public slots:
    void setVirtualNumbers(const QList<VirtualNumber> &numbers);

private:
    QList<VirtualNumber> m_numbers;
};

#endif // LINKORA_UI_VIRTUALNUMBERSPAGE_H
