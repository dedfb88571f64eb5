#pragma once
// The gate of rescue mode: the controller must answer on the network and its
// shares must be mounted.

#include <QString>

// Pings the controller, mounts both shares (creating missing mount points)
// and confirms from the mount table that a share of the controller is
// mounted. Answers true when the shares are usable; false after a failure
// box has been shown.
bool check_mount_state();
