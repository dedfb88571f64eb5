#include "database/dravon_db.h"

#include "controller/site.h"
#include "exec/file_ops.h"

namespace database {

QString keep(const QString &why, exec::Route route)
{
    const QString kept = controller::database + QLatin1Char('.') + why + QLatin1Char('.') + controller::timeStamp();
    return exec::keepCopy(route, controller::database, kept) ? kept : QString();
}

bool replaceWith(const QString &file, const QString &why, exec::Route route, exec::CommandResult *copy)
{
    const QString staged = controller::database + QLatin1Char('.') + why;
    // A whole copy first: a file renamed straight from elsewhere might be
    // one a full share cut short.
    const bool copied = exec::keepCopy(route, file, staged, copy);
    // The controller's programs must still own and write the new file.
    if (copied)
        exec::adoptOwnerAndMode(staged, controller::database);
    const bool placed = copied && exec::replaceByRename(route, staged, controller::database, QString()) ==
                                      exec::Replacement::Placed;
    exec::sync(route);
    if (!placed)
        exec::removeIgnoringStatus(route, staged);
    return placed;
}

}  // namespace database
