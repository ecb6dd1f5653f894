#ifndef LINKORA_UI_VIRTUALNUMBERSPAGE_H
#define LINKORA_UI_VIRTUALNUMBERSPAGE_H

#include "virtualnumber.h"

#include <QList>
#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class VirtualNumbersPage;
}

// The account's virtual numbers; renewing one and buying another happen on
// the brand's web page.
class VirtualNumbersPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VirtualNumbersPage)

public:
    explicit VirtualNumbersPage(QWidget *parent = nullptr);
    ~VirtualNumbersPage() override;

public slots:
    // Replaces every row.
    void setVirtualNumbers(const QList<VirtualNumber> &numbers);
    void onNumberRenewClicked();
    void onGetNumberClicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::VirtualNumbersPage> m_ui;
};

#endif // LINKORA_UI_VIRTUALNUMBERSPAGE_H
