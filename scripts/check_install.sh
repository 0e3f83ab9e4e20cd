#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks what the desktop sees: the layout,
# the desktop entry, the MIME package, the AppStream metainfo and the manual pages, each with
# its standard validator; then renders a preset of the installed examples with the installed
# quavril-cli. Usage: scripts/check_install.sh [BUILD_DIR] (default: build).
set -euo pipefail
build=${1:-build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
share=$prefix/share
fail() {
    echo "check_install: $*" >&2
    exit 1
}
# A validator passes only when it says nothing at all (hints and warnings fail too).
quiet() {
    local out
    out=$("$@" 2>&1) || fail "$* failed:"$'\n'"$out"
    [ -z "$out" ] || fail "$* complained:"$'\n'"$out"
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/quavril bin/quavril-cli; do
    [ -x "$prefix/$f" ] || fail "$f is not installed"
done
stray=$(find "$prefix/bin" -mindepth 1 ! -name quavril ! -name quavril-cli)
[ -z "$stray" ] || fail "unexpected files in bin/: $stray"
for f in "quavril/Examples.qvl" "quavril/Compatibility Test.qvl" quavril/help/index.html \
    man/man1/quavril.1.gz man/man1/quavril-cli.1.gz \
    icons/hicolor/scalable/apps/org.orvande.Quavril.svg \
    icons/hicolor/scalable/mimetypes/application-x-quavril-preset.svg \
    icons/hicolor/scalable/mimetypes/application-x-quavril-script.svg; do
    [ -s "$share/$f" ] || fail "share/$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/org.orvande.Quavril.png
    [ -s "$png" ] || fail "the ${size}x${size} icon is not installed"
    head -c 24 "$png" | od -An -tx1 | tr -d ' \n' | grep -q "$(printf '%08x%08x' "$size" "$size")$" ||
        fail "the ${size}x${size} icon has another size"
done

quiet desktop-file-validate "$share/applications/org.orvande.Quavril.desktop"
# appstreamcli fails on errors and warnings; infos (pedantic) pass.
appstreamcli validate --no-net --no-color "$share/metainfo/org.orvande.Quavril.metainfo.xml" ||
    fail "the AppStream metainfo is not valid"
quiet xmllint --noout "$share/mime/packages/org.orvande.Quavril.xml"
# Builds the MIME database of the temporary prefix, as the desktop does from the package.
quiet env XDG_DATA_DIRS="$share:/usr/share" update-mime-database "$share/mime"
for type in x-quavril-preset x-quavril-script; do
    [ -s "$share/mime/application/$type.xml" ] || fail "MIME type application/$type is missing"
done
# Case-sensitive, as the program reads the names.
grep -q ':application/x-quavril-preset:\*\.qvl:cs$' "$share/mime/globs2" || fail "*.qvl glob missing"
grep -q ':application/x-quavril-script:\*\.qvs:cs$' "$share/mime/globs2" || fail "*.qvs glob missing"
grep -q 'application/x-quavril-script text/plain' "$share/mime/subclasses" ||
    fail "scripts are not a kind of text/plain"
# In the compiled magic each value follows its 16-bit length: 21 bytes, the length byte 20
# of the bank format's magic, then the magic itself.
grep -qa $'\x15\x14QVL Preset File V3.6' "$share/mime/magic" || fail "the preset magic is missing"

for page in quavril quavril-cli; do
    gzip -dc "$share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 " ||
        fail "$page.1 is not a manual page"
    if command -v man >/dev/null; then
        warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page.1 has formatting problems:"$'\n'"$warnings"
    fi
done

"$prefix/bin/quavril-cli" render "$share/quavril/Examples.qvl" 1 "$tmp/one.wav"
[ "$(head -c 4 "$tmp/one.wav")" = RIFF ] || fail "the installed quavril-cli wrote no wave file"
[ "$(stat -c %s "$tmp/one.wav")" -gt 44 ] || fail "the rendered wave file is empty"
echo "check_install: installed tree is complete and valid"
