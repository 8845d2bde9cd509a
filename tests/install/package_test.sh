#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it installs: the program and
# its tools, a valid desktop entry, the icon in the theme's sizes, dependencies from the binaries.
set -euo pipefail
build=${1:?build folder}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$out"/tablora_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tablora ./usr/bin/tablora-initdb ./usr/bin/tablora-backup \
         ./usr/share/applications/tablora.desktop \
         ./usr/share/icons/hicolor/48x48/apps/tablora.png \
         ./usr/share/icons/hicolor/256x256/apps/tablora.png; do
  grep -qx "$f" <<<"$files" || { echo "missing from the package: $f"; exit 1; }
done
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/tablora.desktop"
grep -q '^Categories=Office;Finance;$' "$out/root/usr/share/applications/tablora.desktop"
grep -q '^GenericName=餐饮收银系统$' "$out/root/usr/share/applications/tablora.desktop"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsqlite3-0 libcups2 libxlsxwriter4 qt6-qpa-plugins; do
  grep -q "$d" <<<"$depends" || { echo "not among the dependencies: $d ($depends)"; exit 1; }
done
# The installed tools run: a new database made by the installed initdb opens.
"$out/root/usr/bin/tablora-initdb" "$out/cysj.db" >/dev/null
[ -s "$out/cysj.db" ]
echo "package ok: $(basename "$deb")"

# Installed, the program keeps its data in the person's data folder, never beside itself.
home="$out/home"
mkdir -p "$home"
run_installed() {
  env -u XDG_DATA_HOME HOME="$home" "$@" TABLORA_UNATTENDED_MS=300 TABLORA_INSTANCE_SUFFIX=package-test \
    QT_QPA_PLATFORM=offscreen timeout 4 "$out/root/usr/bin/tablora" >/dev/null 2>&1 || true
}
run_installed
[ -d "$home/.local/share/tablora" ] || { echo "no data folder in HOME"; exit 1; }
[ ! -e "$out/root/usr/bin/cysj.db" ] || { echo "data written beside the installed program"; exit 1; }
run_installed XDG_DATA_HOME="$out/xdg"
[ -d "$out/xdg/tablora" ] || { echo "XDG_DATA_HOME not followed"; exit 1; }
echo "data folder ok"

# A new restaurant from the command line: the tables and its manager, no demo menu.
"$out/root/usr/bin/tablora-initdb" "$out/empty.db" --empty --user 老板 --password 2468 >/dev/null
[ "$(sqlite3 "$out/empty.db" 'SELECT count(*) FROM 菜品')" = 0 ]
[ "$(sqlite3 "$out/empty.db" 'SELECT 用户 || 设置用户 FROM 用户')" = 老板1 ]
! "$out/root/usr/bin/tablora-initdb" "$out/empty.db" --empty --user a --password b 2>/dev/null
echo "new restaurant ok"
