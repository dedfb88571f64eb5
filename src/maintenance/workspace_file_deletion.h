#pragma once
// Removes one entry (a file or a whole directory tree) from the controller's
// project workspace on the data share, after the user confirms.

#include <QString>

// `name` is the entry's file name as Qt gives it; it is not changed. A name
// that could reach outside its entry (empty, ".", "..", or holding '/' or
// a NUL) is reported like a missing entry, and nothing is removed.
void DeleteFile(QString &name);
