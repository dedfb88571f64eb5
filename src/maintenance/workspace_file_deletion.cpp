#include "maintenance/workspace_file_deletion.h"

#include <QFileInfo>

#include "controller/site.h"
#include "exec/shell_quote.h"
#include "maintenance/utility_steps.h"

namespace {

// True when `name` names exactly one entry directly inside the workspace.
bool isEntryName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

void showResult(const char *text)
{
    maintenance::showResult(QString::fromLocal8Bit(text), flow_msg_qss, true);
}

}  // namespace

void DeleteFile(QString &name)
{
    if (!maintenance::confirmed(QString::fromLocal8Bit("是否需要删除文件%1？").arg(name), nullptr))
        return;

    const QString target = controller::project_workspace + QLatin1Char('/') + name;
    // The entry itself, so a dangling symbolic link can be removed too.
    const QFileInfo entry(target);
    if (!isEntryName(name) || (!entry.exists() && !entry.isSymLink())) {
        showResult("没有该文件!");
        return;
    }
    // The status is not tested: "成功!" follows every removal attempt.
    maintenance::runSynced(QStringLiteral("/bin/rm -rf %1").arg(exec::shellQuoteFileName(target)));
    showResult("成功!");
}
