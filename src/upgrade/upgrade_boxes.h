#pragma once
// The boxes that end the forced upgrade with a result (the package missing,
// refused, not fitting, a step failed, success) share the flow's own box
// style.

#include <QString>

#include "ui/dialog_recipes.h"

namespace upgrade {

// Why the upgrade cannot go on, and the box that says so. Each check of
// the forced upgrade answers one; the flow shows it (show()) and ends.
// Empty: nothing stops the upgrade.
struct Problem {
    enum Box {
        Refused,       // the package is refused, nothing installed (showPackageWarning)
        PlainWarning,  // the toolkit's "Error" warning with `text`, the pendant's software's own
        Result,        // a result box "错误" with `text` as it stands
    };
    Box box = Refused;
    QString text;
    explicit operator bool() const { return !text.isEmpty(); }
};

// A refusal of the package: `why`, or no problem when `why` is empty.
Problem refused(const QString &why);

// Shows the problem's box.
void show(const Problem &problem);

// The style of the package-missing and result boxes: the flow's own box
// style text, a minimum rather than a fixed size, the button the default.
ui::BoxStyle resultBoxStyle();

// A result box: `title`, warning icon, `text`, the one button "确定".
void showResult(const QString &title, const QString &text);

// The box for a package that is refused; nothing has been installed.
void showPackageWarning(const QString &problem);

// A step that failed ends the upgrade: the box names it; what is already
// installed stays, and a second run installs everything again.
Problem stepFailed(const QString &step);

}  // namespace upgrade
