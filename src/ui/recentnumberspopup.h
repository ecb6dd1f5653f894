#ifndef LINKORA_UI_RECENTNUMBERSPOPUP_H
#define LINKORA_UI_RECENTNUMBERSPOPUP_H

#include <QModelIndex>
#include <QStringList>
#include <QWidget>

class QListWidget;

// The list of recently dialled numbers under the number field's recent
// button, each number under the name of the contact it belongs to. It
// closes itself when it loses the activation.
class RecentNumbersPopup : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(RecentNumbersPopup)

public:
    // Rows the list shows at most.
    static constexpr int MaximumRows = 16;

    explicit RecentNumbersPopup(QWidget *parent = nullptr);
    ~RecentNumbersPopup() override;

    // Replaces the rows, keeping the order given.
    void setNumbers(const QStringList &numbers);
    int count() const;

signals:
    void closed();
    void numberSelected(const QString &number);

public slots:
    void onNumberSelected(const QModelIndex &index);
    void onClosePicker();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QListWidget *listWidget;
};

#endif // LINKORA_UI_RECENTNUMBERSPOPUP_H
