#pragma once
// The robot controller as the tool knows it: its address, its two NFS
// shares and the files on them. Fixed at build time.

#include <QString>

// The controller's IPv4 address: NFS server, ping target and mount-table
// filter.
extern const QString nfs_server_ip;

// The two NFS shares; each is mounted from the controller's path of the
// same name.
extern const QString nfs_space_dir;  // "/home/ostrel/nfs_space"
extern const QString workspace_dir;  // "/home/ostrel/workspace"

namespace controller {

extern const QString database;           // dravon.db on the data share
extern const QString dump_file;          // dravon_dump.db, the repair's rebuilt copy
extern const QString salvage_file;       // dravon_salvage.db, what the repair salvaged from a damaged one
extern const QString staging_dir;        // where the upgrade unpacks its package
extern const QString robot_control;      // the controller-program folder, replaced whole by an upgrade
extern const QString project_workspace;  // the controller's project workspace
extern const QString workspace_backups;  // workspace_backup, one entry per project backup
extern const QString database_backups;   // database_backup

// The time stamp of the names of kept copies (dravon.db.badbak.<stamp> and
// the like): yyyyMMdd_hhmmss, local time, now.
QString timeStamp();

}  // namespace controller
