#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it installs:
#     package_test.sh <build folder> <source folder>
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && timeout 180 cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
mapfile -t debs < <(find "$work/out" -maxdepth 1 -name 'quillet_*.deb')
[[ ${#debs[@]} -eq 1 ]] || fail "expected one quillet_*.deb, found ${#debs[@]}"
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[[ $(basename "${debs[0]}") == quillet_${version}_$(dpkg --print-architecture).deb ]] ||
    fail "package named $(basename "${debs[0]}")"
timeout 60 dpkg -x "${debs[0]}" "$work/root"

usr=$work/root/usr
desktop=$usr/share/applications/com.tarnwick.quillet.desktop
metainfo=$usr/share/metainfo/com.tarnwick.quillet.metainfo.xml
expected=(bin/quillet share/man/man1/quillet.1.gz share/icons/hicolor/scalable/apps/quillet.svg)
for size in 16 22 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/quillet.png")
done
for file in "${expected[@]}" "${desktop#"$usr"/}" "${metainfo#"$usr"/}"; do
    [[ -f "$usr/$file" ]] || fail "the package lacks /usr/$file"
done
grep -qx 'Exec=/usr/bin/quillet' "$desktop" || fail "the desktop entry's Exec= is not /usr/bin/quillet"
timeout 60 appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
timeout 60 desktop-file-validate "$desktop" || fail "desktop-file-validate"
answer=$(timeout 30 "$usr/bin/quillet" --version) || fail "quillet --version failed"
[[ "$answer" == "Tarnwick Quillet $version" ]] || fail "quillet --version said '$answer'"
echo "PASS: $(basename "${debs[0]}")"
