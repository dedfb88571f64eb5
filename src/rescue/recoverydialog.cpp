#include "rescue/recoverydialog.h"

#include <QDir>
#include <QPushButton>

#include "controller/site.h"
#include "ui/dialog_recipes.h"
#include "ui_recoverydialog.h"

namespace {

// Fills `list` with the entries of `dir` that match `pattern` in any letter
// case, in descending (case-sensitive) name order, so that of backups named
// with a date stamp the newest comes first and is preselected. A missing
// folder hides its group instead.
void listBackups(const QString &dir, const QString &pattern, QComboBox *list, QGroupBox *group)
{
    const QDir backups(dir);
    if (!backups.exists()) {
        group->hide();
        return;
    }
    list->addItems(backups.entryList(QStringList(pattern), QDir::NoFilter, QDir::Name | QDir::Reversed));
}

}  // namespace

RecoveryDialog::RecoveryDialog(QWidget *parent) : QDialog(parent), ui(new Ui_RecoveryDialog)
{
    ui->setupUi(this);
    ui->grbProject->setTitle(QString::fromLocal8Bit("请选择需要恢复的工程："));
    ui->grbDatabase->setTitle(QString::fromLocal8Bit("请选择下需要恢复的数据库："));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QString::fromLocal8Bit("确认"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(QString::fromLocal8Bit("取消"));

    listBackups(controller::workspace_backups, QStringLiteral("workspace_*"),
                ui->cmbProject, ui->grbProject);
    listBackups(controller::database_backups, QStringLiteral("database_*"),
                ui->cmbDatabase, ui->grbDatabase);
    // A long backup name is cut short in its list rather than widening the
    // dialog past a small screen.
    for (QComboBox *list : {ui->cmbProject, ui->cmbDatabase}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(20);
    }
    ui::fitToScreen(this);
}

RecoveryDialog::~RecoveryDialog()
{
    delete ui;
}

QString RecoveryDialog::getProject()
{
    return ui->cmbProject->currentText();
}

QString RecoveryDialog::getDatabase()
{
    return ui->cmbDatabase->currentText();
}
