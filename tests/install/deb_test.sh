#!/bin/sh
# Builds the Debian packages from a finished build, checks what each holds and what lintian
# says of them, installs them with dpkg into a scratch root, converts files with the installed
# program and library, and removes them again: nothing may stay behind.
#   deb_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb test: $*"; exit 1; }
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps lintian; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool is missing (Debian packages dpkg-dev and lintian; run tools/install-deps.sh)"
done

(cd "$build" && cpack -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
for p in vellumix libquillmark1 libquillmark-dev quillmark-data; do
    set -- "$work"/packages/${p}_*.deb
    [ -f "$1" ] || fail "no package $p was built"
    eval "deb_$(echo $p | tr -- - _)=$1"
done

# What each package holds.
holds() {
    dpkg-deb -c "$1" | awk '{print $6}' | grep -qx "./$2" || fail "$(basename "$1") lacks /$2"
}
holds "$deb_vellumix" usr/bin/vellumix
holds "$deb_vellumix" usr/share/man/man1/vellumix.1.gz
holds "$deb_vellumix" usr/share/applications/vellumix.desktop
holds "$deb_vellumix" usr/share/icons/hicolor/scalable/apps/vellumix.svg
holds "$deb_libquillmark1" usr/lib/libquillmark.so.1
holds "$deb_libquillmark_dev" usr/lib/libquillmark.so
holds "$deb_libquillmark_dev" usr/include/quillmark.h
holds "$deb_libquillmark_dev" usr/lib/pkgconfig/quillmark.pc
holds "$deb_quillmark_data" usr/share/vellumix/config.lst
for deb in "$deb_vellumix" "$deb_libquillmark1" "$deb_libquillmark_dev" "$deb_quillmark_data"; do
    name=$(dpkg-deb -f "$deb" Package)
    holds "$deb" "usr/share/doc/$name/copyright"
done
dpkg-deb -x "$deb_vellumix" "$work/x"
grep -qx 'MimeType=application/pdf;' "$work/x/usr/share/applications/vellumix.desktop" || fail "the desktop file lacks the PDF type"
# Dependencies on system libraries come from dpkg-shlibdeps; the library announces its soname.
dpkg-deb -f "$deb_vellumix" Depends | grep -q 'libc6 (>=' || fail "vellumix has no shlibdeps dependencies"
dpkg-deb -f "$deb_vellumix" Depends | grep -q 'libqt6widgets6' || fail "vellumix does not depend on Qt"
dpkg-deb -f "$deb_libquillmark1" Depends | grep -q 'libcairo2' || fail "libquillmark1 does not depend on cairo"
dpkg-deb -f "$deb_libquillmark_dev" Depends | grep -q 'libquillmark1 (= ' || fail "libquillmark-dev does not pin libquillmark1"
dpkg-deb -e "$deb_libquillmark1" "$work/control"
grep -q '^libquillmark 1 libquillmark1 (>= ' "$work/control/shlibs" || fail "libquillmark1 has no shlibs entry"

# lintian: errors fail the test; the warnings that remain are explained in the README.
lintian --tag-display-limit 0 "$work"/packages/*.deb >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E: ' "$work/lintian.txt"; then fail "lintian reports errors"; fi

# Into a scratch root of its own: dpkg keeps its database there and touches nothing else.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
: >"$root/var/lib/dpkg/status"
dpkg_root() {
    dpkg --root="$root" --log="$work/dpkg.log" --force-not-root --force-script-chrootless --force-depends "$@"
}
dpkg_root -i "$work"/packages/*.deb >"$work/dpkg-install.log" 2>&1 || { cat "$work/dpkg-install.log"; fail "dpkg -i failed"; }
[ "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}\n' vellumix)" = "install ok installed" ] ||
    fail "vellumix is not recorded as installed"

# The installed program finds its installed data: nothing points into the checkout.
unset QUILLMARK_DATA_DIR
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/vellumix" --version)
[ "$version" = "vellumix 1.6" ] || fail "--version said '$version'"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/vellumix" -m -r "$source/tests/data/corpus/cjk-japanese-vertical.pdf" \
    "$work/out/cjk.htm" || fail "the installed vellumix failed to convert"
for f in index.htm pg_0001.htm pg_nav.htm; do [ -s "$work/out/cjk/$f" ] || fail "the site lacks $f"; done
grep -q '>あいうえお<' "$work/out/cjk/pg_0001.htm" || fail "the installed vellumix did not find its character maps"

# The library through its -dev package, as a user's program builds against it.
export PKG_CONFIG_PATH="$root/usr/lib/pkgconfig"
cc -Wall -Werror -std=c99 "$source/examples/convert_page.c" $(pkg-config --cflags --libs quillmark) \
    -Wl,-rpath,"$root/usr/lib" -o "$work/convert_page"
mkdir "$work/c"
"$work/convert_page" "$source/tests/data/corpus/chrome-wikipedia.pdf" "$work/c" | grep -q '^pages: 1$' ||
    fail "the installed library did not convert"
grep -q 'PDF.js in Firefox' "$work/c/page1.htm" || fail "the installed library's page lacks its text"

# Removed and purged, the scratch root holds nothing but dpkg's own records.
dpkg_root -P vellumix libquillmark-dev libquillmark1 quillmark-data >"$work/dpkg-remove.log" 2>&1 ||
    { cat "$work/dpkg-remove.log"; fail "dpkg -P failed"; }
left=$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/log' ! -path './var/lib/dpkg' \
    ! -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "left behind after removal: $left"
echo "deb test passed"
