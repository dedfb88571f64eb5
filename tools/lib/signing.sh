# Signing keys, for tools/make-package and tools/make-stick: Ed25519 keys
# handled by the openssl command-line tool. Source this file; it uses die.
# shellcheck shell=bash

need_openssl() { command -v openssl >/dev/null || die "openssl is missing (package openssl)"; }

# fingerprint PUB: "SHA256:" and the hex SHA-256 of the key's DER form, as
# the tool's run log, the stick's BUILD.txt and its README name it.
fingerprint() {
  local hex
  hex=$(openssl pkey -pubin -in "$1" -outform DER 2>/dev/null | sha256sum | cut -c1-64)
  # The hash of nothing: openssl could not read the key.
  [ "$hex" != e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 ] || return 1
  echo "SHA256:$hex"
}

# is_ed25519 KEY [-pubin]: KEY is an Ed25519 key (private, or public with -pubin).
is_ed25519() { openssl pkey ${2:-} -in "$1" -noout -text 2>/dev/null | head -n 1 | grep -q '^ED25519 '; }
