#pragma once
// The gate of rescue mode: the controller must answer on the network and its
// shares must be mounted.

#include <QString>

// Pings the controller, mounts both shares (creating missing mount points)
// and confirms from the mount table that a share of the controller is
// mounted. Answers true when the shares are usable; false after a failure
// box has been shown.
bool check_mount_state();

namespace rescue {

// How long the network test lets "/bin/ping <controller> -c 4" run: four
// echo requests one second apart take about 3.06 s against a controller that
// answers, so the limit leaves ample room on a loaded panel, while a silent
// controller keeps ping running for more than 6 s and is still caught.
constexpr int ping_limit_ms = 5000;

}  // namespace rescue
