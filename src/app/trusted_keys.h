#pragma once
// The signing keys this program trusts, compiled into it: the trust
// travels inside the program on the stick, not as a file beside the
// package, so whoever brings or swaps a package cannot bring a key of his
// own with it. tools/make-stick --trust PUB sets them (the build setting
// PENDANT_TRUSTED_KEYS, PEM files); a build without any installs unsigned
// packages.

#include "upgrade/package_signature.h"

upgrade::TrustedKeys trustedKeys();
