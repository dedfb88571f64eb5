#pragma once
// The result boxes of rescue mode.

#include <QMessageBox>
#include <QString>

namespace rescue {

// A styled box with a single button (`button`, YesRole), run to its end.
// Which way it was left does not matter: it only informs.
void showBox(const QString &title, QMessageBox::Icon icon, const QString &text,
             const char *button = "确定");

}  // namespace rescue
