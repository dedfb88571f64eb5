#pragma once
// Pieces the maintenance utilities share: their confirmation box, their
// result boxes and the way they run a file command.

#include <QString>

#include "ui/dialog_recipes.h"

namespace maintenance {

// The confirmation box: title "警告", warning icon, the given text, the
// buttons "确定" and "取消", the flow's own box style text, no fixed size,
// `font` on the box and its buttons (nullptr: none). True when "确定"
// closed it.
bool confirmed(const QString &text, const QFont *font);

// A result box: the text, no title, icon or buttons of its own (so the
// toolkit's OK button closes it), no font and no fixed size; `sheet` and
// the styled window as given. Runs it modally.
void showResult(const QString &text, const QString &sheet, bool styledWindow);

// Runs a file command, then "sync", then writes the debug line
// cmd_file= "<command>". Answers whether the command exited with 0.
bool runSynced(const QString &command);

}  // namespace maintenance
