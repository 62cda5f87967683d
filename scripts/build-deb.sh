#!/usr/bin/env bash
# Builds the Debian packages (libtarn1, libtarn-dev, tarn-tools) from the committed tree: exports
# it with git archive, adds packaging/debian as debian/, and runs dpkg-buildpackage. The tests run
# during the build unless DEB_BUILD_OPTIONS holds nocheck. The .deb files land in OUT.
#   build-deb.sh [OUT] [dpkg-buildpackage arguments...]     OUT defaults to build/deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages dpkg-dev debhelper fakeroot cmake g++ libgtest-dev pkg-config
out=$(realpath -m "${1:-build/deb}")
shift || true
rm -rf "$out"
mkdir -p "$out/src"
git archive --format=tar HEAD | tar -x -C "$out/src"
cp -a packaging/debian "$out/src/debian"
(cd "$out/src" && dpkg-buildpackage -us -uc -b "$@")
ls "$out"/*.deb
