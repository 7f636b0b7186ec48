#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the build tree, unpacked into
# a scratch root, and its programs started from there. They must find their libraries,
# configuration and catalog beside themselves, never in the build tree, and the package
# must depend on every library outside it that they load.
set -euo pipefail
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"
mkdir -m 700 "$work/run"
fail() { echo "package: $*"; exit 1; }

for f in usr/bin/tolvar usr/bin/zrt usr/share/applications/tolvar.desktop \
  usr/share/mime/packages/tolvar.xml usr/share/icons/hicolor/48x48/apps/tolvar.png \
  usr/share/man/man1/tolvar.1 usr/share/man/man1/zrt.1 usr/share/tolvar/config/russian.dz \
  usr/share/tolvar/catalog/ruslit.cdo; do
  [ -s "$root/$f" ] || fail "$f is missing"
done
# The build tree is moved out of sight: what the programs load must come from the root.
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
for exe in "$root"/usr/bin/tolvar "$root"/usr/bin/zrt; do
  ldd "$exe" | grep "not found" >/dev/null && fail "$(basename "$exe"): $(ldd "$exe" | grep 'not found')"
  for lib in libzrteng.so libztext.so; do
    path=$(ldd "$exe" | awk -v l="$lib" '$1 == l {print $3}')
    [ -z "$path" ] || [[ $(realpath "$path") == "$(realpath "$root")"/* ]] ||
      fail "$(basename "$exe") loads $lib from $path"
  done
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in $(objdump -p "$root"/usr/bin/* "$root"/usr/lib/*.so | awk '/NEEDED/ {print $2}' | sort -u); do
  [ -e "$root/usr/lib/$lib" ] && continue
  path=$(ldconfig -p | awk -v l="$lib" '$1 == l && !n++ {print $NF}') owner=
  # The dpkg database names /lib or /usr/lib, whichever the package shipped.
  for p in "$path" "$(realpath "$path")" "/usr$path" "${path#/usr}"; do
    owner=$(dpkg -S "$p" 2>/dev/null | cut -d: -f1) && break
  done
  [[ $depends == *"$owner"* ]] || fail "$lib ($owner) is not in Depends: $depends"
done

[ "$("$root/usr/bin/tolvar" --version)" = "tolvar 2.0" ] || fail "tolvar --version"
"$root/usr/bin/zrt" info "$root/usr/share/tolvar/catalog/poetry" >"$work/info.txt"
grep -q '^Records: *89$' "$work/info.txt" || fail "zrt info on the installed catalog"
# The word forms come from the installed dictionary, not the build tree's.
env -u ZRT_MORPH_DICT "$root/usr/bin/zrt" forms стих | grep стихами >/dev/null || fail "zrt forms"
# A saved query printed to PDF reads the installed forms and catalog.
printf '\x04\x00ASDQ\x14\x00' >"$work/q.cdq"
printf 'Поэзия и драматургия' | iconv -f utf-8 -t cp1251 >>"$work/q.cdq"
printf '\xff\xff\xff\xff\x00\x00\x00\x00\x05\x00RL02$\x00\x00\x00\x00\x00\x00\x00\x00' >>"$work/q.cdq"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$work/q.cdq"
( cd "$work" && "$root/usr/bin/tolvar" --print q.cdq --pdf q.pdf ) || fail "tolvar --print"
pdftotext "$work/q.pdf" "$work/q.txt"
grep -q 'Запрос: (RL02\$)' "$work/q.txt" || fail "the PDF has no page header"
echo "package: $(basename "$deb") installs and runs ($(du -h "$deb" | cut -f1))"
