# What every step of scripts/check-windows uses (sourced first): the packages, the Linux programs to
# compare with, the unpacked zip, a wine prefix of its own, virtual units and the mapping of COM
# names to them.
root=$PWD
wbuild=${BUILD_DIR:-build-windows}
version=$(sed -nE 's/^project\(vorka_config VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name=vorka-config-$version-win64
zip=dist/$name.zip
[ -f "$zip" ] && [ -f "$wbuild/vorka_tests.exe" ] ||
  { echo "check-windows: $zip or $wbuild/vorka_tests.exe is missing: run scripts/build-windows first" >&2; exit 1; }

packages=(wine wine64 xvfb xdotool imagemagick unzip fonts-liberation2 fonts-wine binutils-mingw-w64-x86-64)
scripts/install-packages "${packages[@]}"

# The Linux programs to compare with, and the virtual unit.
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vorka-sim vorkactl vorka_config vorka_tests -j"$(nproc)" >/dev/null
sim=$root/build/vorka-sim
linux_ctl=$root/build/vorkactl

tmp=$(mktemp -d)
pids=()
xvfb_pid=
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # The wine server gone before its prefix is: removed under it, it dumps its objects.
  wineserver -k > /dev/null 2>&1 || true
  wineserver -w > /dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  # Every process started in the background is reaped before its folder goes.
  for pid in "${pids[@]}" $xvfb_pid; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "check-windows: FAILED: $*" >&2
  exit 1
}

app=$tmp/app/$name
mkdir -p "$tmp/app"
unzip -q "$zip" -d "$tmp/app"
cp "$wbuild/vorka_tests.exe" "$wbuild/Qt6Test.dll" "$app/"
fake_ftdi=$tmp/fake-ftdi
mkdir -p "$fake_ftdi"
cp "$wbuild/fake-ftdi/ftd2xx.dll" "$fake_ftdi/"
# What a console shows, read back from inside it; never beside the programs a user gets.
test_tools=$tmp/test-tools
mkdir -p "$test_tools"
cp "$wbuild/test-tools/console_screen.exe" "$test_tools/"

# A wine of our own: no Mono or Gecko to offer, nothing of the user's touched. Wine hands the
# programs no QT_* variable of the host: WINEQT_* arrive as QT_*.
export WINEPREFIX=$tmp/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
# The programs without a desktop (offscreen) find their fonts in one folder: the Windows fonts that
# Debian carries for wine (Tahoma, the window's font there) and Liberation for the fixed-pitch one.
mkdir -p "$tmp/fonts"
cp /usr/share/fonts/truetype/liberation2/*.ttf /usr/share/wine/fonts/tahoma*.ttf "$tmp/fonts/"
unset DISPLAY
wineboot --init >/dev/null 2>&1
# The Windows fonts installed, as on a PC: Tahoma, which wine carries but does not list to programs.
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
for face in "Tahoma:tahoma.ttf" "Tahoma Bold:tahomabd.ttf"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v "${face%%:*} (TrueType)" /t REG_SZ \
    /d "${face##*:}" /f > /dev/null 2>&1
done
# One wine server at a time, started by the check itself so that what it says on its way out goes
# to a log of its own, not into the programs' output.
restart_wine() {
  wineserver -k > /dev/null 2>&1 || true
  wineserver -w > /dev/null 2>&1 || true
  wineserver -p >> "$tmp/wineserver.log" 2>&1
}
restart_wine
winpath() { echo "Z:${1//\//\\}"; }
export WINEQT_QPA_FONTDIR=$(winpath "$tmp/fonts")

# Serves a virtual unit (its log: every command line it received) behind a fixed path.
start_unit() {
  local link=$1 log=$2
  shift 2
  rm -f "$link"
  "$sim" --link "$link" --verbose "$@" > "$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$link" ] && return; sleep 0.1; done
  fail "the virtual unit did not start"
}
# The commands a unit received, without the line naming its device.
received() { tail -n +2 "$1"; }
# Wine maps COMn to a device through the registry; it reads the mapping when it starts.
map_com() {
  wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
  restart_wine
}
