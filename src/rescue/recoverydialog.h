#pragma once
// The backup chooser of the restore procedure: one list of project backups
// and one of database backups, newest first.

#include <QDialog>
#include <QString>

class Ui_RecoveryDialog;

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecoveryDialog(QWidget *parent = nullptr);
    ~RecoveryDialog() override;

    // The chosen names as listed (file names, decoded); empty when a list is
    // empty or hidden.
    QString getProject();
    QString getDatabase();

private:
    Ui_RecoveryDialog *ui;
};
