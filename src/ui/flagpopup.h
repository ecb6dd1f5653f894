#ifndef LINKORA_UI_FLAGPOPUP_H
#define LINKORA_UI_FLAGPOPUP_H

#include <QModelIndex>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QListWidget;

// The country picker under the number field's flag: every country of the
// country table with its flag and name. It also keeps the field's selected
// country, its current row, which is the first country until something else
// is chosen. It closes itself when it loses the activation.
class FlagPopup : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(FlagPopup)

public:
    explicit FlagPopup(QWidget *parent = nullptr);
    ~FlagPopup() override;

    // Each of these makes the first country current when no row is.
    QPixmap currentFlag();
    QString currentCountryName();
    int currentCountryIndex();
    // Another row is selected and reported without clearing the number; the
    // current row only asks for the number to be written again.
    void setCurrentCountryIndex(int row);

signals:
    void closed();
    void prefixSelected(const QPixmap &flag, const QString &countryName, const QString &prefix,
                        bool clearNumber);
    void formatNumber(int row);

public slots:
    void onPrefixSelected(const QModelIndex &index, bool clearNumber);
    // A click: the number starts afresh behind the new prefix.
    void onPrefixSelected(const QModelIndex &index);
    void onClosePicker();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void ensureCurrentRow();

    QListWidget *listWidget;
};

#endif // LINKORA_UI_FLAGPOPUP_H
