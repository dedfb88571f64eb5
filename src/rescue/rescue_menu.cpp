#include "rescue/rescue_menu.h"

void startRescueMode()
{
    // The rescue procedures are not part of this build yet: nothing to show.
}
