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

void showStepFailed(const QString &step)
{
    showResult(QString::fromLocal8Bit("错误"),
               QString::fromLocal8Bit("升级未完成：%1失败。\n请再次运行升级程序以完成升级。").arg(step));
}

}  // namespace upgrade
