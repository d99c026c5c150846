#!/usr/bin/env bash
# Proves a fresh machine: a minimal Debian 12 made with debootstrap from this machine's
# own apt source, a clean clone of the project in it, the README's test command with
# nothing installed beforehand; then the tests that need LibreOffice, a PostgreSQL server
# and poppler again with those installed (now they must run), and the package built
# there, installed with apt in that same system and checked as a desktop sees it.
#   scripts/fresh-debian.sh
# Needs root (debootstrap, chroot, mounts) and changes nothing of this machine's but its
# cache of the bare system, /var/cache/formelan-ci (FORMELAN_CI_CACHE), which holds
# nothing of the project's. The tree and its mounts are removed at the end, also when a
# step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${FORMELAN_CI_CACHE:-/var/cache/formelan-ci}
suite=bookworm

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-debian: run as root (debootstrap, chroot and mounts need it)" >&2
  exit 2
fi
started=$SECONDS
say() { printf '\n== %s (%d s)\n' "$*" $((SECONDS - started)); }

export DEBIAN_FRONTEND=noninteractive
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

# The Debian archives this machine installs from: the suite itself, and its updates and
# security archives where they are configured.
archives() {
  apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(CODENAME)' |
    awk -v s="$suite" '$1 == "deb" && ($3 == s || $3 == s "-updates" || $3 == s "-security") {
      print $2, $3 }' | sort -u
}
mapfile -t archives < <(archives)
if [ ${#archives[@]} -eq 0 ]; then
  apt-get update -qq
  mapfile -t archives < <(archives)
fi
mirror=$(printf '%s\n' "${archives[@]}" | awk -v s="$suite" '$2 == s { print $1; exit }')
if [ -z "$mirror" ]; then
  echo "fresh-debian: no $suite archive among this machine's apt sources" >&2
  exit 1
fi

work=$(mktemp -d /var/tmp/formelan-fresh-XXXXXX)
tree=$work/root
mounted() { awk -v t="$tree" '$2 == t || index($2, t "/") == 1 { print $2 }' /proc/self/mounts; }
cleanup() {
  local status=$?
  # Deepest first; the tree goes only once nothing is mounted in it, so that a mount
  # that would not go never takes the machine's /dev or /proc with it.
  mounted | sort -r | while read -r m; do umount "$m" 2>/dev/null || umount -l "$m" || true; done
  if [ -n "$(mounted)" ]; then
    echo "fresh-debian: still mounted, $work left in place:" >&2
    mounted >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say "A minimal Debian 12 from $mirror"
mkdir -p "$cache" "$tree"
base=$cache/$suite-minbase.tar
if [ ! -s "$base" ]; then
  debootstrap --variant=minbase "$suite" "$work/bare" "$mirror"
  tar -C "$work/bare" -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf --one-file-system "$work/bare"
fi
tar -C "$tree" -xf "$base"

: >"$tree/etc/apt/sources.list"
rm -f "$tree"/etc/apt/sources.list.d/*
for a in "${archives[@]}"; do
  read -r uri codename <<<"$a"
  echo "deb $uri $codename main" >>"$tree/etc/apt/sources.list"
done
cp /etc/resolv.conf "$tree/etc/resolv.conf" 2>/dev/null || true
# Packages installed here start no services: the tests start their own server.
printf '#!/bin/sh\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"
chmod 755 "$tree/usr/sbin/policy-rc.d"

mount -t proc proc "$tree/proc"
mount -t sysfs sysfs "$tree/sys"
mount --bind /dev "$tree/dev"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$tree/dev/pts"
mount -t tmpfs tmpfs "$tree/dev/shm"

say "A clean clone of $(git -C "$root" rev-parse --short HEAD)"
git clone -q --no-local "$root" "$tree/root/formelan"

inside() { chroot "$tree" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

say "The README's test command"
inside bash -c 'cd /root/formelan && ./formelan.sh test'

say "The tests of LibreOffice, PostgreSQL and PDFs, with those installed"
inside bash -c 'apt-get install -y -qq --no-install-recommends \
  libreoffice-writer-nogui postgresql poppler-utils >/dev/null'
inside bash -c 'cd /root/formelan/build && FORMELAN_TEST_REQUIRE=1 QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure -j"$(nproc)" \
  -R "^(tst_libreoffice|tst_pagerender|tst_printing|tst_pgbook|tst_partydb|tst_partycsv|tst_addressbook|tst_bookwindows|tst_serverbook)$"'

say "The package, installed with apt and checked"
inside bash -c 'cd /root/formelan && scripts/check-package.sh'

say "Done"
