#pragma once
// Empties the controller's system log (table system_log_t of dravon.db on
// the data share) after the user confirms.

// Returns when the log was cleared or the user declined. When the database
// cannot be opened or the delete fails, it shows why and ends the process
// with exit status 1.
void ClearLogRecord();
