#pragma once
// A diagnostic dialog: shows the content of a chosen text file or the
// output of a chosen program in a read-only view.

#include <QDialog>

class QProcess;
class Ui_RescueDialog;

class RescueDialog : public QDialog {
    Q_OBJECT
public:
    explicit RescueDialog(QWidget *parent = nullptr);
    ~RescueDialog() override;

private slots:
    void on_btnClear_clicked();
    void on_btnText_clicked();
    void on_btnProcess_clicked();

private:
    void appendPlain(const QString &text);

    Ui_RescueDialog *ui;
    QProcess *process;
};
