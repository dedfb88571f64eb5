#include "controller/site.h"

#include <QDateTime>

#ifndef NFS_SERVER_IP
#error "NFS_SERVER_IP must be set by the build"
#endif

const QString nfs_server_ip = QStringLiteral(NFS_SERVER_IP);
const QString nfs_space_dir = QStringLiteral("/home/ostrel/nfs_space");
const QString workspace_dir = QStringLiteral("/home/ostrel/workspace");

namespace controller {

const QString database = QStringLiteral("/home/ostrel/nfs_space/dravon.db");
const QString dump_file = QStringLiteral("/home/ostrel/nfs_space/dravon_dump.db");
const QString salvage_file = QStringLiteral("/home/ostrel/nfs_space/dravon_salvage.db");
const QString staging_dir = QStringLiteral("/home/ostrel/nfs_space/tmp");
const QString robot_control = QStringLiteral("/home/ostrel/nfs_space/robot_control");
const QString project_workspace = QStringLiteral("/home/ostrel/nfs_space/workspace");
const QString workspace_backups = QStringLiteral("/home/ostrel/nfs_space/workspace_backup");
const QString database_backups = QStringLiteral("/home/ostrel/nfs_space/database_backup");

QString timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
}

}  // namespace controller
