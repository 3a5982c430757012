#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it installs:
#     package_test.sh <build folder> <source folder>
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$1" && timeout 180 cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$2/CMakeLists.txt")
deb=quillet_${version}_$(dpkg --print-architecture).deb
timeout 60 dpkg -x "$work/out/$deb" "$work/root" || fail "no $deb among: $(ls "$work/out")"
cd "$work/root/usr"
for file in bin/quillet share/man/man1/quillet.1.gz share/icons/hicolor/scalable/apps/quillet.svg \
    share/icons/hicolor/{16x16,22x22,32x32,48x48,64x64,128x128,256x256}/apps/quillet.png \
    share/{applications/com.tarnwick.quillet.desktop,metainfo/com.tarnwick.quillet.metainfo.xml} \
    share/doc/quillet/{copyright,changelog.gz}
do [[ -f $file ]] || fail "the package lacks /usr/$file"; done
[[ $(zcat share/doc/quillet/changelog.gz) == "quillet ($version) unstable; urgency=medium"* ]] ||
    fail "the change log's entry is not version $version"
if command -v lintian >/dev/null; then
    timeout 120 lintian --fail-on error,warning "$work/out/$deb" >&2 || fail "lintian: errors or warnings"
fi
grep -qx 'Exec=/usr/bin/quillet' share/applications/com.tarnwick.quillet.desktop || fail "Exec= is not /usr/bin/quillet"
timeout 60 appstreamcli validate --no-net share/metainfo/com.tarnwick.quillet.metainfo.xml || fail "appstreamcli validate"
timeout 60 desktop-file-validate share/applications/com.tarnwick.quillet.desktop || fail "desktop-file-validate"
out=$(HOME=$work timeout 10 bin/quillet --version) && [[ $out == "Tarnwick Quillet $version"$'\n'*GPL-3.0-or-later* ]] ||
    fail "bin/quillet --version did not print the version and end"
