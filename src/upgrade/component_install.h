#pragma once
// The second half of the forced upgrade: installs the unpacked package in
// the order of its install plan.

class QProgressDialog;

namespace upgrade {

// Checks the unpacked package (required files, policy, space), installs
// its entries on the pendant and the controller's shares in plan order,
// removes the staging files and shows the final message; a failed step
// ends it with a box naming the step.
void installComponents(QProgressDialog &progress);

}  // namespace upgrade
