#ifndef LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H
#define LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H

#include <QScopedPointer>
#include <QWidget>

class VirtualNumber;

namespace Ui {
class VirtualNumberItemWidget;
}

// One row of the virtual-number list: the flag, then the number and "renew"
// above the expiry, which has the row's whole width: beside the button a
// date was cut. Should it still not fit, it ends in "..." and the whole text
// is the tool tip.
class VirtualNumberItemWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VirtualNumberItemWidget)

public:
    explicit VirtualNumberItemWidget(QWidget *parent = nullptr);
    ~VirtualNumberItemWidget() override;

    void setVirtualNumber(const VirtualNumber &number);

signals:
    void renewClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showExpiry();

    const QScopedPointer<Ui::VirtualNumberItemWidget> m_ui;
    QString m_expiry;
};

#endif // LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H
