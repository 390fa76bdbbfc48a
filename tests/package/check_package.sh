#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch folder and checks it as
# a user's machine would see it: the installed files and their modes, the
# control fields, the unpacked programs running against the system's Qt, and
# desktop-file-validate, appstreamcli and lintian on what was unpacked.
#
# Usage: tests/package/check_package.sh TESTED_BUILD [PACKAGE_BUILD]
#   TESTED_BUILD   a build with the tests (start_under_display, petitora-replay)
#   PACKAGE_BUILD  where scripts/package.sh builds (default build/package)
# Both folders are taken from the top of the repository.
set -uo pipefail
cd "$(dirname "$0")/../.."
tested=$(cd "${1:?usage: $0 TESTED_BUILD [PACKAGE_BUILD]}" && pwd) || exit 1
packaging=${2:-build/package}
here=tests/package

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# Prints "ok" for a group of checks when none of them failed since the last.
reported=0
pass() {
    [ "$failures" -eq "$reported" ] && echo "ok: $*"
    reported=$failures
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/petitora-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root

bash scripts/package.sh "$packaging" | tee "$scratch/package.log" ||
    { echo "FAILED: package build" >&2; exit 1; }
deb=$(sed -n 's/^Package: //p' "$scratch/package.log")
[ -f "$deb" ] || { echo "FAILED: no package at '$deb'" >&2; exit 1; }
dpkg-deb -x "$deb" "$root"

version=$(sed -n 's/^project(Petitora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
app=org.petitora.Petitora

# --- Control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = petitora ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version '$(field Version)', project $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
depends=$(field Depends)
for needed in qt6-translations-l10n libqt6widgets6 libqt6core6 libc6 libstdc++6; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done
[ -n "$(field Maintainer)" ] && [ -n "$(field Section)" ] || fail "Maintainer or Section missing"
[ "$(field Description | wc -l)" -gt 3 ] || fail "Description has no long text"
pass "control fields (version $version)"

# --- Installed layout: exactly these files, with these modes, owned by root ---
expected=$scratch/expected
{
    for program in petitora petitora-replay petitora-verify; do
        echo "755 usr/bin/$program"
        echo "644 usr/share/man/man1/$program.1.gz"
    done
    echo "644 usr/share/applications/$app.desktop"
    echo "644 usr/share/metainfo/$app.metainfo.xml"
    echo "644 usr/share/icons/hicolor/scalable/apps/$app.svg"
    for size in 16 32 48 64 128 256; do
        echo "644 usr/share/icons/hicolor/${size}x${size}/apps/$app.png"
    done
    echo "644 usr/share/petitora/screenshots/capture.png"
    echo "644 usr/share/doc/petitora/copyright"
    echo "644 usr/share/doc/petitora/changelog.gz"
} | sort >"$expected"
(cd "$root" && find . -type f -printf '%m %P\n' | sort) >"$scratch/actual"
diff -u "$expected" "$scratch/actual" >&2 || fail "installed files differ from the list above"
odd_dirs=$(cd "$root" && find . -type d ! -perm 755 -printf '%m %P\n')
[ -z "$odd_dirs" ] || fail "folders not rwxr-xr-x: $odd_dirs"
not_root=$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')
[ -z "$not_root" ] || fail "entries not owned by root: $not_root"
for size in 16 32 48 64 128 256; do
    described=$(file "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
    [[ "$described" == *"PNG image data, $size x $size,"* ]] || fail "icon: $described"
done
for program in petitora petitora-replay petitora-verify; do
    binary=$root/usr/bin/$program
    [[ "$(file "$binary")" == *", stripped"* ]] || fail "$program is not stripped"
    [[ "$(readelf -d "$binary")" != *PATH* ]] || fail "$program carries a library path"
done
pass "installed layout"

# --- The version in every place that names it ---
for program in petitora-replay petitora-verify; do
    shown=$("$root/usr/bin/$program" --version)
    [ "$shown" = "$program $version" ] || fail "$program --version printed '$shown'"
done
logged=$(zcat "$root/usr/share/doc/petitora/changelog.gz" | sed -n 1p)
[[ "$logged" == "petitora ($version) "* ]] || fail "changelog begins '$logged'"
released=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$root/usr/share/metainfo/$app.metainfo.xml" | sed -n 1p)
[ "$released" = "$version" ] || fail "metainfo's latest release is '$released'"
for page in "$root"/usr/share/man/man1/*.gz; do
    [[ "$(zcat "$page" | sed -n 1p)" == *"\"Petitora $version\""* ]] || fail "$page header"
done
pass "version $version everywhere"

# --- The unpacked petitora-replay, with the system's Qt, writes the files the
#     tested build writes; petitora-verify and OpenSSL accept them ---
work=$scratch/run
mkdir -p "$work/packaged" "$work/tested"
awk 'BEGIN { for (i = 0; i < 1024; ++i) print (i * 53) % 641, (i * 29) % 457 }' >"$work/events.txt"
password='clave de acceso'
registrant=$PWD/$here/persona.json
replay() {  # replay BINARY FOLDER
    (cd "$2" && env -u LD_LIBRARY_PATH "$1" --registrant "$registrant" --bits 1024 \
        --events "$work/events.txt" --no-system-entropy <<<"$password" >output.txt 2>&1)
}
libraries=$(env -u LD_LIBRARY_PATH ldd "$root/usr/bin/petitora-replay")
[[ "$libraries" =~ libQt6Core\.so\.6\ =\>\ /(usr/)?lib/ ]] || fail "Qt is not the system's: $libraries"
if replay "$root/usr/bin/petitora-replay" "$work/packaged"; then
    request=$work/packaged/GAML850315QR7.req
    key=$work/packaged/GAML850315QR7.key
    "$root/usr/bin/petitora-verify" "$request" "$key" <<<"$password" >"$work/verify.txt" ||
        fail "the unpacked petitora-verify refused the files: $(cat "$work/verify.txt")"
    # OpenSSL 3.0 ends "req -verify" with status 0 either way: read its verdict.
    verdict=$(openssl req -inform DER -in "$request" -verify -noout 2>&1)
    [[ "$verdict" == *"verify OK"* ]] || fail "OpenSSL does not verify the request: $verdict"
    from_request=$(openssl req -inform DER -in "$request" -noout -modulus)
    from_key=$(openssl rsa -provider legacy -provider default -inform DER -in "$key" \
        -passin "pass:$password" -noout -modulus 2>/dev/null)
    [ -n "$from_key" ] && [ "$from_key" = "$from_request" ] ||
        fail "OpenSSL does not open the key file, or it is not the request's key"
    if replay "$tested/petitora-replay" "$work/tested"; then
        cmp -s "$request" "$work/tested/GAML850315QR7.req" &&
            cmp -s "$key" "$work/tested/GAML850315QR7.key" ||
            fail "the packaged and the tested petitora-replay wrote different files"
    else
        fail "the tested petitora-replay failed: $(cat "$work/tested/output.txt")"
    fi
else
    fail "the unpacked petitora-replay failed: $(cat "$work/packaged/output.txt")"
fi
pass "unpacked petitora-replay and petitora-verify"

# --- The unpacked petitora opens its main window on a virtual display ---
xvfb-run -a -s "-screen 0 1280x1024x24" env -u LD_LIBRARY_PATH \
    "$tested/tests/start_under_display" "$root/usr/bin/petitora" ||
    fail "the unpacked petitora did not start and close cleanly"
pass "unpacked petitora under a virtual display"

# --- The menu entry names the installed program and icon ---
desktop=$root/usr/share/applications/$app.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$app" ] || fail "Icon= is not $app"
grep -qx 'Categories=Office;Finance;' "$desktop" || fail "Categories"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" \
    "$root/usr/share/metainfo/$app.metainfo.xml" || fail "metainfo does not launch $app.desktop"
pass "menu entry"

# --- Validators ---
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" ||
    fail "appstreamcli validate"
lintian --fail-on error "$deb" ||
    fail "lintian reports errors"
pass "validators"

if [ "$failures" -gt 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "package $deb: every check passed"
