#pragma once
// The boxes that end the forced upgrade with a result (the package missing,
// refused, not fitting, a step failed, success) share the flow's own box
// style.

#include <QString>

#include "ui/dialog_recipes.h"

namespace upgrade {

// The style of the package-missing and result boxes: the flow's own box
// style text, a minimum rather than a fixed size, the button the default.
ui::BoxStyle resultBoxStyle();

// A result box: `title`, warning icon, `text`, the one button "确定".
void showResult(const QString &title, const QString &text);

// The box for a package that is refused; nothing has been installed.
void showPackageWarning(const QString &problem);

// A step that failed ends the upgrade: the box names it; what is already
// installed stays, and a second run installs everything again.
void showStepFailed(const QString &step);

}  // namespace upgrade
