#include "updaterdialog.h"

#include "ui_updaterdialog.h"

#include <QPushButton>

UpdaterDialog::UpdaterDialog(QWidget *parent)
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint)
    , m_form(std::make_unique<Ui::UpdaterDialog>())
{
    m_form->setupUi(this);
    setFixedSize(425, 160);
    m_form->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Update Now"));
    m_form->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Remind Me Later"));
    hide();
}

UpdaterDialog::~UpdaterDialog() = default;
