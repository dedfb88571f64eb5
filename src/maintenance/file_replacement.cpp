#include "maintenance/file_replacement.h"

#include "exec/shell_quote.h"
#include "maintenance/utility_steps.h"

void ReplaceFile(const QString &dir)
{
    if (!maintenance::confirmed(QString::fromLocal8Bit("是否需要拷贝？"), &font_normal))
        return;
    // The second copy runs whether or not the first one worked.
    maintenance::runSynced(QStringLiteral("/bin/cp ") +
                           exec::shellQuoteOperand(dir + QStringLiteral("/interfaces")) +
                           QStringLiteral(" /etc/network/"));
    maintenance::runSynced(QStringLiteral("/bin/cp ") +
                           exec::shellQuoteOperand(dir + QStringLiteral("/ping.sh")) +
                           QStringLiteral(" /root/"));
}
