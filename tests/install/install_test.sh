#!/bin/sh
# Installs the build into a temporary prefix, builds the C example against the installed
# header and library through pkg-config, runs it and the Python example on a corpus file,
# and checks what the library exports.
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libquillmark.so.1' | head -n 1)")
[ -n "$libdir" ] || { echo "libquillmark.so.1 was not installed"; exit 1; }
for f in include/quillmark.h share/vellumix/config.lst share/vellumix/config.ini share/vellumix/site/pg_nav.htm \
    share/man/man1/vellumix.1.gz; do
    [ -f "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done

# Only the thirteen document functions leave the library.
exported=$(nm -D --defined-only "$libdir/libquillmark.so.1" | awk '$2 ~ /^[TDBRW]$/ {print $3}' | sort)
expected=$(printf '%s\n' PDF_Close PDF_ConvertToHtmlFile PDF_DestroyHtmLink PDF_DestroyPageBmp \
    PDF_DestroyPageObject PDF_GetBookmark PDF_GetPageBmp PDF_GetPageCount PDF_GetPageHtmLink \
    PDF_GetPageObject PDF_Open PDF_WriteToBMPFile PDF_WriteToSVGFile | sort)
if [ "$exported" != "$expected" ]; then
    echo "exported symbols differ:"; echo "$exported"; exit 1
fi

# The C example, built as any user of the installed library would build it. The data
# folder comes from the library's own prefix: nothing points at the source or build tree.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -Wall -Wextra -Werror -std=c99 "$source/examples/convert_page.c" $(pkg-config --cflags --libs quillmark) \
    -Wl,-rpath,"$libdir" -o "$work/convert_page"
unset QUILLMARK_DATA_DIR
pdf=$source/tests/data/corpus/chrome-wikipedia.pdf
mkdir "$work/c" "$work/py"
(cd "$work" && ./convert_page "$pdf" "$work/c") > "$work/c.txt"
grep -q '^pages: 1$' "$work/c.txt" || { cat "$work/c.txt"; exit 1; }
grep -q '^outline: ' "$work/c.txt"
check_outputs() {
    dir=$1
    [ "$(head -c 2 "$dir/page1.bmp")" = "BM" ] || { echo "$dir/page1.bmp is not a BMP"; exit 1; }
    [ -s "$dir/page1.jpg" ] || { echo "$dir/page1.jpg is missing"; exit 1; }
    grep -q 'xmlns="http://www.w3.org/2000/svg"' "$dir/page1.svg"
    grep -q '<text ' "$dir/page1.svg" || { echo "$dir/page1.svg has no text"; exit 1; }
    # Text of a CID font needs the installed CMaps: found through the library's prefix.
    grep -q 'PDF.js in Firefox' "$dir/page1.htm" || { echo "$dir/page1.htm lacks the page's text"; exit 1; }
}
check_outputs "$work/c"

# Japanese text in a CMap-encoded font decodes only with the CMaps installed under the
# library's own prefix.
mkdir "$work/cjk"
(cd "$work" && ./convert_page "$source/tests/data/corpus/cjk-japanese-vertical.pdf" "$work/cjk") >/dev/null
grep -q '>あいうえお<' "$work/cjk/page1.htm" || { echo "the installed library did not find its data"; exit 1; }

python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" "$source/examples/convert_page.py" "$pdf" "$work/py" "$libdir/libquillmark.so.1" > "$work/py.txt"
grep -q '^pages: 1$' "$work/py.txt" || { cat "$work/py.txt"; exit 1; }
# The outline path names the process, so only the other lines must agree.
[ "$(grep -v '^outline: ' "$work/c.txt")" = "$(grep -v '^outline: ' "$work/py.txt")" ] ||
    { echo "the C and Python examples disagree"; cat "$work/c.txt" "$work/py.txt"; exit 1; }
check_outputs "$work/py"
echo "install test passed"
