# Debian's own source packages, fetched with apt-get source through a
# private apt configuration (the machine's own source lists are neither read
# for deb-src nor changed) and checked against the SHA-256 sums of their
# .dsc. Source with `die` defined.
# shellcheck shell=bash

# debian_source_fetch DIR PACKAGE VERSION: the .dsc and tarballs of
# PACKAGE=VERSION into DIR/download, with DIR/apt as apt's own folder.
debian_source_fetch() {
  local dir=$1 package=$2 version=$3 apt=$1/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$dir/download"
  # deb-src lines for the Debian archives the machine already uses, each
  # bound to Debian's archive key. The security archive comes last: a
  # version that a point release has also put into the main archive is
  # fetched from there, whose pool keeps the upstream tarballs (a security
  # mirror may hold only the files the update changed).
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' 'Origin: Debian' |
    sort -u | awk '{ print ($2 ~ /-security$/), $0 }' | sort -s -n -k1,1 | cut -d' ' -f2- |
    while read -r uri suite component; do
      echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite $component"
    done > "$apt/sources.list"
  [ -s "$apt/sources.list" ] || die "apt knows no Debian archive on this machine"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/none"
                 -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
                 -o "APT::Sandbox::User=root" -qq)
  apt-get "${options[@]}" update || die "apt-get update of the private source lists failed (network?)"
  (cd "$dir/download" && apt-get "${options[@]}" source --download-only "$package=$version") ||
    die "apt-get source $package=$version failed"
}

# debian_source_verify DSC: every file DSC lists lies beside it with the
# size and SHA-256 sum it gives; answers 1 (after saying which) otherwise.
debian_source_verify() {
  local dsc=$1 download sum size name bad=0 listed
  download=$(dirname "$dsc")
  listed=$(awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print }' "$dsc")
  [ -n "$listed" ] || die "$(basename "$dsc") lists no SHA-256 checksums"
  while read -r sum size name; do
    if [ ! -f "$download/$name" ]; then
      echo "$name is missing" >&2; bad=1
    elif [ "$(stat -c %s "$download/$name")" != "$size" ] ||
         [ "$(sha256sum "$download/$name" | cut -d' ' -f1)" != "$sum" ]; then
      echo "checksum mismatch: $name is not the file $(basename "$dsc") names" >&2; bad=1
    fi
  done <<< "$listed"
  return "$bad"
}
