#pragma once
// The restore branch of rescue mode: puts a project backup in place of the
// controller's workspace and a database backup in place of its database.

// Lets the user choose the backups, restores them and reports the outcome.
void recovery_process();
