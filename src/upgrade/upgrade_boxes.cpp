#include "upgrade/upgrade_boxes.h"

#include "ui/force_global.h"
#include "upgrade/package_file.h"

namespace upgrade {

ui::BoxStyle resultBoxStyle()
{
    ui::BoxStyle style;
    style.sheet = flow_msg_qss;
    style.sizing = ui::BoxStyle::MinimumSize;
    style.defaultButton = true;
    return style;
}

void showResult(const QString &title, const QString &text)
{
    ui::execStyledBox(title, QMessageBox::Warning, text, {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}},
                      resultBoxStyle());
}

void showPackageWarning(const QString &problem)
{
    showResult(QString::fromLocal8Bit("错误"),
               QString::fromLocal8Bit("升级包%1.zip不可用：%2。\n未安装任何文件。").arg(zip_file_name, problem));
}

Problem refused(const QString &why)
{
    return {Problem::Refused, why};
}

void show(const Problem &problem)
{
    switch (problem.box) {
    case Problem::Refused: return showPackageWarning(problem.text);
    case Problem::PlainWarning: return ui::showPlainWarning(problem.text.toLatin1().constData());
    case Problem::Result: return showResult(QString::fromLocal8Bit("错误"), problem.text);
    }
}

Problem stepFailed(const QString &step)
{
    return {Problem::Result, QString::fromLocal8Bit("升级未完成：%1失败。\n请再次运行升级程序以完成升级。").arg(step)};
}

}  // namespace upgrade
