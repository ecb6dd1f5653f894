#ifndef UPDATERDIALOG_H
#define UPDATERDIALOG_H

#include <QDialog>

#include <memory>

namespace Ui {
class UpdaterDialog;
}

// The window through which an offered update reaches the user: it asks
// ("Update Now" / "Remind Me Later"), shows the download and reports the
// outcome. Created hidden.
class UpdaterDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(UpdaterDialog)

public:
    explicit UpdaterDialog(QWidget *parent = nullptr);
    ~UpdaterDialog() override;

private:
    std::unique_ptr<Ui::UpdaterDialog> m_form;
};

#endif // UPDATERDIALOG_H
