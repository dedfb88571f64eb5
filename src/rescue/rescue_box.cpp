#include "rescue/rescue_box.h"

#include "ui/dialog_recipes.h"

namespace rescue {

void showBox(const QString &title, QMessageBox::Icon icon, const QString &text, const char *button)
{
    ui::execStyledBox(title, icon, text, {{QString::fromLocal8Bit(button), QMessageBox::YesRole}});
}

}  // namespace rescue
