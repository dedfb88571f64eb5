#include "maintenance/utility_steps.h"

#include <QDebug>

#include "exec/commands.h"

namespace maintenance {

bool confirmed(const QString &text, const QFont *font)
{
    ui::BoxStyle style;
    style.font = font;
    style.sizing = ui::BoxStyle::FreeSize;
    style.sheet = flow_msg_qss;
    const int clicked = ui::execStyledBox(QString::fromLocal8Bit("警告"), QMessageBox::Warning, text,
                                          {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole},
                                           {QString::fromLocal8Bit("取消"), QMessageBox::NoRole}},
                                          style);
    return clicked == 0;
}

void showResult(const QString &text, const QString &sheet, bool styledWindow)
{
    ui::BoxStyle style;
    style.font = nullptr;
    style.sizing = ui::BoxStyle::FreeSize;
    style.sheet = sheet;
    style.styledWindow = styledWindow;
    ui::execStyledBox(QString(), QMessageBox::NoIcon, text, {}, style);
}

bool runSynced(const QString &command)
{
    const bool succeeded = exec::succeeds(exec::Route::System, command);
    exec::runIgnoringStatus(exec::Route::System, QStringLiteral("sync"));
    // Unquoted and unescaped, so the line shows the command exactly as run.
    qDebug().noquote().nospace() << "cmd_file= \"" << command << '"';
    return succeeded;
}

}  // namespace maintenance
