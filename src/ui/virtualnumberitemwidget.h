#ifndef LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H
#define LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H

#include <QScopedPointer>
#include <QWidget>

class VirtualNumber;

namespace Ui {
class VirtualNumberItemWidget;
}

// One row of the virtual-number list: flag, number, expiry and "renew".
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

private:
    const QScopedPointer<Ui::VirtualNumberItemWidget> m_ui;
};

#endif // LINKORA_UI_VIRTUALNUMBERITEMWIDGET_H
