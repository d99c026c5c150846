#!/usr/bin/env bash
# Builds the Debian package (or takes the one given), installs it with apt as a user
# would, checks what a desktop sees of it, runs lintian, removes it and checks that
# nothing of it is left. Changes the system's packages: meant for CI machines and
# throw-away containers, run as root or with sudo.
#   scripts/check-package.sh [PACKAGE.deb]
# Every check runs even after one fails; the exit status is 1 when any failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_get() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@"; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
step() { echo; echo "== $*"; }

# lintian, appstreamcli, desktop-file-validate; xdg-mime with the database tools, and
# what xdg-mime asks: mimetype when no desktop runs, gio under GNOME; rsvg-convert and
# compare for the icon check; man for the manual page; hardening-check (devscripts).
tools=(lintian appstream desktop-file-utils xdg-utils shared-mime-info libfile-mimeinfo-perl
       libglib2.0-bin librsvg2-bin imagemagick fonts-dejavu-core man-db devscripts)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
apt_get update
if [ ${#missing[@]} -gt 0 ]; then
  apt_get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

# appstreamcli passes a file with pedantic hints; here every hint fails the check.
#   appstream_clean validate FILE | appstream_clean validate-tree ROOT
appstream_clean() {
  local out rc=0
  out=$(appstreamcli "$1" --pedantic --explain --no-net "$2" 2>&1) || rc=$?
  echo "$out"
  [ "$rc" -eq 0 ] && ! grep -qE '^ *[EWIP]: ' <<<"$out"
}

step "Committed icons match their SVG"
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
scripts/make-icons.sh "$fresh/hicolor"
for png in "$fresh"/hicolor/*/apps/formelan.png; do
  rel=${png#"$fresh"/}
  # Counts the pixels that differ by more than a rounding step between renderer versions.
  diff=$(compare -metric AE -fuzz 2% "$png" "resources/icons/$rel" null: 2>&1 || true)
  if [ "$diff" = 0 ]; then pass "$rel"; else fail "$rel differs from its SVG ($diff pixels): run scripts/make-icons.sh"; fi
done

step "Build the package"
if [ $# -gt 0 ]; then
  deb=$(realpath "$1")
else
  deb=$(scripts/build-package.sh | tail -n 1)
fi
version=$(dpkg-deb -f "$deb" Version)
echo "$deb"

step "AppStream metadata with a screenshot address"
# The packaged metadata lists the screenshot only when the build is told its address;
# the listing is checked here with an address that can never resolve.
shotdir=$fresh/screenshot-build
cmake -S . -B "$shotdir" -DFORMELAN_TESTS=OFF -DFORMELAN_BENCH=OFF \
  -DFORMELAN_SCREENSHOT_URL=https://screenshot.invalid/formelan.png >/dev/null
if appstream_clean validate "$shotdir"/install-files/bg.formelan.formelan.metainfo.xml &&
   grep -q '<image type="source"' "$shotdir"/install-files/bg.formelan.formelan.metainfo.xml; then
  pass "metainfo with a screenshot"
else
  fail "metainfo with a screenshot"
fi

step "Install with apt"
if dpkg-query -W -f='${Status}' formelan 2>/dev/null | grep -q 'install ok installed'; then
  apt_get remove --purge -y formelan >/dev/null
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
mapfile -t owned < <(dpkg -L formelan)

step "The installed program"
run_home=$fresh/home
mkdir -p "$run_home/runtime" && chmod 700 "$run_home/runtime"
# A home of its own, so that a program that starts its windows leaves nothing in ours;
# standard output alone is compared, standard error is shown.
run_formelan() {
  env HOME="$run_home" XDG_DATA_HOME="$run_home/data" XDG_CONFIG_HOME="$run_home/config" \
    XDG_RUNTIME_DIR="$run_home/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 15 /usr/bin/formelan "$@"
}
out=$(run_formelan --version) || true
if [ "$out" = "Formelan $version" ]; then pass "formelan --version: $out"; else fail "formelan --version printed '$out', not 'Formelan $version'"; fi
out=$(run_formelan --help) || true
if grep -q -- '--version' <<<"$out"; then pass "formelan --help lists --version"; else fail "formelan --help printed '$out'"; fi
# A form file given on the command line opens in the document window, headless; once it
# has opened it heads the user's list of recent files.
cp tests/data/sample.frm "$fresh/opened-by-name.frm"
env HOME="$run_home" XDG_DATA_HOME="$run_home/data" XDG_CONFIG_HOME="$run_home/config" \
  XDG_RUNTIME_DIR="$run_home/runtime" QT_QPA_PLATFORM=offscreen \
  timeout 30 /usr/bin/formelan "$fresh/opened-by-name.frm" &
opener=$!
opened=no
for _ in $(seq 1 40); do
  if grep -q 'opened-by-name.frm' "$run_home/config/Formelan/Formelan.conf" 2>/dev/null; then
    opened=yes; break
  fi
  sleep 0.5
done
kill "$opener" 2>/dev/null || true
wait "$opener" 2>/dev/null || true
if [ $opened = yes ]; then pass "formelan FILE opens the form file"; else fail "formelan FILE did not open the form file"; fi
if ldd /usr/bin/formelan | grep -q 'not found'; then fail "libraries missing: $(ldd /usr/bin/formelan | grep 'not found')"; else pass "every library found"; fi

step "Hardening"
# Position-independent, stack protector, read-only relocations, immediate binding.
# Bookworm's dpkg-buildflags gives no -fcf-protection, so control flow integrity is not
# asked for.
if hardening-check --nofortify --nocfprotection /usr/bin/formelan; then
  pass "hardening-check"
else
  fail "hardening-check"
fi
# glibc swaps in a checked __*_chk call only where the compiler knows the size of the
# destination and not the length. Ours copy into Qt's heap buffers (size unknown), read
# one byte into one byte (proven safe), or are libstdc++'s builtins, which fortify
# leaves alone: hardening-check finds only unprotected calls, a false alarm that its
# manual names. Any other unprotected function is new and is to be looked at.
unprotected=$({ hardening-check --nocfprotection --verbose /usr/bin/formelan || true; } |
              sed -n 's/^\tunprotected: //p' | sort)
other=$(grep -vxE 'memcpy|memmove|memset|read' <<<"$unprotected" || true)
if [ -z "$other" ]; then
  pass "unfortified calls: only $(echo $unprotected)"
else
  fail "unfortified calls to look at: $(echo $other)"
fi

step "Desktop entry and AppStream metadata"
desktop=/usr/share/applications/formelan.desktop
if desktop-file-validate "$desktop"; then pass "desktop-file-validate"; else fail "desktop-file-validate"; fi
if appstream_clean validate /usr/share/metainfo/bg.formelan.formelan.metainfo.xml; then
  pass "appstreamcli validate --pedantic"
else
  fail "appstreamcli validate --pedantic"
fi
# The package's own tree: the metainfo file is named after its id, and the desktop
# entry it launches is in the package.
tree=$fresh/tree
dpkg-deb -x "$deb" "$tree"
if appstream_clean validate-tree "$tree"; then
  pass "appstreamcli validate-tree --pedantic"
else
  fail "appstreamcli validate-tree --pedantic"
fi
for f in /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/formelan.png \
         /usr/share/icons/hicolor/scalable/apps/formelan.svg /usr/share/man/man1/formelan.1.gz; do
  [ -f "$f" ] || fail "missing $f"
done
if man -l /usr/share/man/man1/formelan.1.gz 2>/dev/null | grep -q -- '--version'; then pass "man page"; else fail "man page"; fi

step "The form file type"
# The package's files in /usr/share/mime/packages and /usr/share/applications set off
# the triggers of shared-mime-info and desktop-file-utils, which rebuild the databases.
[ -f /usr/share/mime/application/x-formelan-form.xml ] || fail "MIME database lacks the type"
grep -q 'application/x-formelan-form=.*formelan.desktop' /usr/share/applications/mimeinfo.cache ||
  fail "mimeinfo.cache lacks the type"
# Without an extension the content decides: the program writes CR LF, reads LF alone as
# well (a form edited elsewhere), and a text file is no form.
form=application/x-formelan-form
cp tests/data/sample.frm "$fresh/sample.frm"
cp tests/data/sample.frm "$fresh/crlf-without-extension"
sed 's/\r$//' tests/data/sample.frm >"$fresh/lf-without-extension"
printf 'Recipient_name is the first field of a form.\n' >"$fresh/text-without-extension"
for desktop_env in "" GNOME; do
  for f in sample.frm:$form crlf-without-extension:$form lf-without-extension:$form \
           text-without-extension:text/plain; do
    type=$(cd "$fresh" && XDG_CURRENT_DESKTOP=$desktop_env xdg-mime query filetype "${f%%:*}" || true)
    what="xdg-mime query filetype ${f%%:*} (desktop: ${desktop_env:-none})"
    if [ "$type" = "${f#*:}" ]; then pass "$what: $type"; else fail "$what gave '$type', not '${f#*:}'"; fi
  done
done
app=$(xdg-mime query default $form || true)
if [ "$app" = formelan.desktop ]; then pass "default application: $app"; else fail "default application '$app'"; fi

step "lintian"
# lintian warns when it runs as root; it needs no rights beyond reading the package.
lintian_as=()
[ "$(id -u)" -ne 0 ] || lintian_as=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp)
lintian_in=$fresh/lintian
mkdir -p "$lintian_in" && cp "$deb" "$lintian_in/" && chmod -R a+rX "$fresh"
# Clean down to the pedantic level. The findings are read off the output, overrides
# (O:) and their notes aside: --fail-on also counts the overrides that it shows.
lintian_rc=0
lintian_out=$(cd /tmp && "${lintian_as[@]}" lintian --display-info --display-experimental --pedantic \
                --show-overrides "$lintian_in/$(basename "$deb")" 2>&1) || lintian_rc=$?
echo "$lintian_out"
if [ "$lintian_rc" -eq 0 ] && ! grep -qE '^[EWIPX]: ' <<<"$lintian_out"; then
  pass "lintian --pedantic: no findings"
else
  fail "lintian --pedantic"
fi

step "Remove"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y formelan
left=0
for path in "${owned[@]}"; do
  [ "$path" = /. ] && continue
  [ -e "$path" ] || continue
  # Folders such as /usr/share/man stay for the other packages that own them.
  if [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
  fail "left behind: $path"
  left=$((left + 1))
done
[ "$left" -gt 0 ] || pass "none of the ${#owned[@]} paths of the package is left"
[ ! -e /usr/share/mime/application/x-formelan-form.xml ] || fail "MIME database still has the type"
! grep -q 'x-formelan-form' /usr/share/applications/mimeinfo.cache 2>/dev/null ||
  fail "mimeinfo.cache still has the type"

echo
if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: all checks passed"
