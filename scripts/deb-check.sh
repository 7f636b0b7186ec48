#!/usr/bin/env bash
# The Debian package on a clean Debian 12, as a user installs it: a minimal bookworm made
# by debootstrap, the package installed with apt-get so that its dependencies come from the
# mirror, and the programs run there by an ordinary user. It needs root (debootstrap, chroot,
# mounts), the network and about 700 MB, and takes a few minutes, so it is not part of the
# tests or CI; tests/package (ctest -R tolvar_package) checks the unpacked package instead.
#
#   sudo scripts/deb-check.sh [--dir DIR] [--mirror URL] [PACKAGE.deb]
#
# Without a package it makes one with cpack from build/. DIR (default: scratch-deb beside
# the checkout, never inside it) holds the new system and is made afresh on every run.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(dirname "$repo")/scratch-deb" mirror=http://deb.debian.org/debian deb=
while [ $# -gt 0 ]; do
  case $1 in
    --dir) dir=$2; shift 2 ;;
    --mirror) mirror=$2; shift 2 ;;
    -*) echo "usage: $0 [--dir DIR] [--mirror URL] [PACKAGE.deb]" >&2; exit 2 ;;
    *) deb=$(realpath "$1"); shift ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "deb-check: run it as root (sudo $0)" >&2; exit 2; }
command -v debootstrap >/dev/null || apt-get install -y debootstrap >/dev/null
dir=$(realpath -m "$dir")
case $dir/ in "$repo"/*) echo "deb-check: $dir is inside the checkout" >&2; exit 2 ;; esac

if [ -z "$deb" ]; then
  rm -rf "$repo/build/deb"
  cpack --config "$repo/build/CPackConfig.cmake" -B "$repo/build/deb" >"$repo/build/deb.log" 2>&1 ||
    { cat "$repo/build/deb.log"; exit 1; }
  deb=$(ls "$repo"/build/deb/tolvar_*.deb)
fi
root=$dir/root log=$dir/log
fail() { echo "deb-check: FAILED: $*" >&2; exit 1; }

# The new system borrows /proc and /dev; they are let go before anything is removed, and a
# removal never crosses into a file system that is still mounted.
release() {
  for m in dev/pts dev proc; do mountpoint -q "$root/$m" && umount "$root/$m"; done
  return 0
}
trap release EXIT
release
rm -rf --one-file-system "$dir"
mkdir -p "$dir"
start=$SECONDS

echo "deb-check: debootstrap bookworm (minbase) into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$log" 2>&1 || { tail "$log"; fail debootstrap; }
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() {
  chroot --userspec=reader:reader "$root" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=/home/reader \
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/run-reader "$@"
}
installed() { in_root dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep 'install ok installed' >/dev/null; }

name=$(basename "$deb")
echo "deb-check: apt-get install ./$name"
in_root apt-get update >>"$log" 2>&1 || fail "apt-get update"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "./tmp/$name" >>"$log" 2>&1 ||
  { tail -20 "$log"; fail "apt-get install ./$name"; }
pulled=$(grep -o '[0-9]* newly installed' "$log" | cut -d' ' -f1)
in_root useradd -m reader
in_root install -d -m 700 -o reader -g reader /tmp/run-reader

# The programs, run by a user whose home holds nothing of tolvar yet.
[ "$(as_user tolvar --version)" = "tolvar 2.0" ] || fail "tolvar --version"
# grep reads to the end: one that stopped early would break the pipe under pipefail.
as_user zrt info /usr/share/tolvar/catalog/poetry | grep '^Records: *89$' >/dev/null || fail "zrt info"
found=$(as_user zrt search /usr/share/tolvar/catalog/poetry 'стихи' --forms --count 3) ||
  fail "zrt search"
grep -q 'records found' <<<"$found" || fail "zrt search: $found"
# A query saved as tolvar saves it: the edition «Поэзия и драматургия», the query RL02$.
q=$root/home/reader/q.cdq
{ printf '\x04\x00ASDQ\x14\x00'
  printf 'Поэзия и драматургия' | iconv -f utf-8 -t cp1251
  printf '\xff\xff\xff\xff\x00\x00\x00\x00\x05\x00RL02$\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
} >"$q"
in_root chown reader:reader /home/reader/q.cdq
printed=$(as_user sh -c 'cd && tolvar --print q.cdq --pdf q.pdf 2>&1') || fail "tolvar --print: $printed"
printed=$(grep -o '[0-9]* documents, [0-9]* pages' <<<"$printed") || fail "tolvar --print: $printed"
[ "$(head -c 5 "$root/home/reader/q.pdf")" = "%PDF-" ] || fail "tolvar --print wrote no PDF"
if command -v pdftotext >/dev/null; then
  pdftotext "$root/home/reader/q.pdf" "$dir/q.txt"
  grep -q 'Запрос: (RL02\$)' "$dir/q.txt" || fail "the PDF has no page header"
fi
# The window itself starts and stays up; the X11 plugin a desktop loads finds its libraries.
as_user timeout 5 tolvar >/dev/null 2>&1 && fail "tolvar left at once"
[ $? = 124 ] || fail "tolvar did not start"
xcb=$(in_root sh -c 'ls /usr/lib/*/qt6/plugins/platforms/libqxcb.so') || fail "no X11 platform plugin"
! in_root ldd "$xcb" | grep 'not found' || fail "the X11 platform plugin misses libraries"

# The desktop: the launcher and the query type registered, whichever was installed first.
desktop() {
  in_root grep -q '^application/x-tolvar-query=.*tolvar.desktop' /usr/share/applications/mimeinfo.cache &&
    in_root grep -q ':application/x-tolvar-query:\*\.cdq$' /usr/share/mime/globs2
}
installed shared-mime-info && installed desktop-file-utils || fail "the recommended packages are missing"
in_root desktop-file-validate /usr/share/applications/tolvar.desktop || fail "desktop-file-validate"
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/usr/share/mime/packages/tolvar.xml" || fail "the MIME type's XML"
fi
desktop || fail "the query type is not registered after the install"
in_root apt-get remove -y tolvar >>"$log" 2>&1 || fail "apt-get remove"
! desktop || fail "the query type stays registered after the removal"
in_root dpkg -i "/tmp/$name" >>"$log" 2>&1 || fail "dpkg -i after the removal"
desktop || fail "the query type is not registered after a later install"

echo "deb-check: $name ($(du -h "$deb" | cut -f1), Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KB)" \
  "installs on a clean Debian 12 with $pulled packages from the mirror;" \
  "tolvar --version, zrt info, zrt search, tolvar --print to PDF ($printed)," \
  "the window, the launcher and the query type work ($((SECONDS - start)) s; log: $log)"
