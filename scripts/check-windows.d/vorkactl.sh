# Step 3 of scripts/check-windows (sourced): vorkactl.exe beside the Linux vorkactl against virtual
# units: the same output, files and bytes on the wire; file errors by their reason; standard
# output's bytes, a \\?\ path, a console; the monitor; USB through the stand-in driver; a unit on
# COM12; records and a series as a user runs them, their PDFs read back.
echo "== vorkactl.exe and vorkactl against virtual units"
ctl_windows() { (cd "$app" && wine ./vorkactl.exe "$@"); }
# The same steps for either build, in a folder of their own: identify, read, write a changed
# file, compare it, write the factory settings, reset.
steps() {
  local ctl=$1 port=$2 out=$3
  mkdir -p "$out"
  file_arg() { if [ "$ctl" = ctl_windows ]; then winpath "$1"; else echo "$1"; fi; }
  $ctl --port "$port" identify > "$out/identify" || fail "$ctl identify"
  $ctl --port "$port" read -o "$(file_arg "$out/read.vorka")" || fail "$ctl read"
  sed 's/^BreakDelay = .*/BreakDelay = 25/; s/^OUT2 = .*/OUT2 = Laser/' "$out/read.vorka" > "$out/changed.vorka"
  $ctl --port "$port" write "$(file_arg "$out/changed.vorka")" > "$out/write" 2>&1 || { cat "$out/write"; fail "$ctl write"; }
  $ctl --port "$port" diff "$(file_arg "$out/changed.vorka")" > "$out/diff" || fail "$ctl diff after its own write"
  $ctl defaults -o "$(file_arg "$out/defaults.vorka")" || fail "$ctl defaults"
  $ctl --port "$port" write --no-backup "$(file_arg "$out/defaults.vorka")" > "$out/write-defaults" 2>&1 ||
    { cat "$out/write-defaults"; fail "$ctl write of the factory settings"; }
  $ctl --port "$port" reset > "$out/reset" 2>&1 || { cat "$out/reset"; fail "$ctl reset"; }
}
# A settings file's text apart from the time it was written.
settings() { tr -d '\r' < "$1" | grep -v '^# Uloženo:'; }
# Compares two texts (files or process substitutions, which read once) and shows where they differ.
same() {
  cat "$1" > "$tmp/left"
  cat "$2" > "$tmp/right"
  cmp -s "$tmp/left" "$tmp/right" || { diff "$tmp/left" "$tmp/right" | head -20; fail "$3"; }
}

export XDG_DATA_HOME=$tmp/linux-data
start_unit "$tmp/com1" "$tmp/unit-windows.log" --static-inputs
map_com COM1 "$tmp/com1"
steps ctl_windows COM1 "$tmp/windows"
start_unit "$tmp/linux-com" "$tmp/unit-linux.log" --static-inputs
steps "$linux_ctl" "$tmp/linux-com" "$tmp/linux"
# A write names the backup it kept, by each system's own path: the Windows one native (C:\...),
# both named by the same rule; then the lines compare without it.
for file in write; do
  grep -qE 'backup: [A-Z]:\\.*\\[0-9_-]+Z(_[0-9]{3})?\.vorka' "$tmp/windows/$file" ||
    fail "vorkactl.exe does not name its backup by a Windows path: $(cat "$tmp/windows/$file")"
done
without_backup_path() { tr -d '\r' | sed -E 's#(backup: |are in ).*\.vorka#\1<backup>#'; }
for file in identify diff write write-defaults reset; do
  same <(without_backup_path < "$tmp/windows/$file") <(without_backup_path < "$tmp/linux/$file") \
    "vorkactl.exe and vorkactl print different $file output"
done
for file in read.vorka defaults.vorka; do
  same <(settings "$tmp/windows/$file") <(settings "$tmp/linux/$file") "the two builds wrote different $file"
done
same <(received "$tmp/unit-windows.log") <(received "$tmp/unit-linux.log") \
  "the bytes on the wire differ between the builds (read, write, factory settings, reset)"
echo "check-windows: identify, read, write, diff, factory settings and reset: the same output and the same" \
  "$(received "$tmp/unit-linux.log" | wc -l) command lines on the wire"

# A file written by one build is what the other reads and verifies.
start_unit "$tmp/com1" "$tmp/unit-cross.log" --static-inputs
map_com COM1 "$tmp/com1"
sed 's/^StartNum = .*/StartNum = nepoužito/; s/^BreakDelay = .*/BreakDelay = 33/' "$tmp/windows/read.vorka" > "$tmp/by-windows.vorka"
ctl_windows --port COM1 write --no-backup "$(winpath "$tmp/by-windows.vorka")" > "$tmp/cross.out" 2>&1 ||
  { cat "$tmp/cross.out"; fail "vorkactl.exe write"; }
"$linux_ctl" --port "$tmp/com1" diff "$tmp/by-windows.vorka" || fail "vorkactl does not verify what vorkactl.exe wrote"
sed 's/^BreakDelay = .*/BreakDelay = 7/; s/^OUT1 = .*/OUT1 = Brzda/' "$tmp/linux/read.vorka" > "$tmp/by-linux.vorka"
"$linux_ctl" --port "$tmp/com1" write --no-backup "$tmp/by-linux.vorka" > "$tmp/cross.out" 2>&1 ||
  { cat "$tmp/cross.out"; fail "vorkactl write"; }
ctl_windows --port COM1 diff "$(winpath "$tmp/by-linux.vorka")" || fail "vorkactl.exe does not verify what vorkactl wrote"
ctl_windows --port COM1 read > "$tmp/read-by-windows.vorka" || fail "vorkactl.exe read to standard output"
"$linux_ctl" --port "$tmp/com1" read > "$tmp/read-by-linux.vorka"
same <(settings "$tmp/read-by-windows.vorka") <(settings "$tmp/read-by-linux.vorka") "the builds read the unit differently"
echo "check-windows: a file written by either build is verified by the other"
# The search asks every port the system lists and finds the unit on COM1.
ctl_windows scan > "$tmp/scan" || fail "vorkactl.exe scan found no unit"
grep -q $'^COM1\t115200\tVK12345\t' <(tr -d '\r' < "$tmp/scan") || { cat "$tmp/scan"; fail "the search did not find the unit on COM1"; }
echo "check-windows: the search finds the unit on COM1"

# A USB adapter as Windows numbers it, above COM8: listed, searched, and reached by the window.
start_unit "$tmp/com12" "$tmp/unit-com12.log" --static-inputs
map_com COM12 "$tmp/com12"
ctl_windows ports > "$tmp/ports-com12" || fail "vorkactl.exe ports with COM12"
grep -q $'^COM12\tCOM12' <(tr -d '\r' < "$tmp/ports-com12") || { cat "$tmp/ports-com12"; fail "COM12 is not listed"; }
ctl_windows scan > "$tmp/scan-com12" || fail "vorkactl.exe scan with COM12"
grep -q $'^COM12\t115200\tVK12345\t' <(tr -d '\r' < "$tmp/scan-com12") ||
  { cat "$tmp/scan-com12"; fail "vorkactl.exe scan did not find the unit on COM12"; }
(cd "$app" && WINEQT_QPA_PLATFORM=offscreen VORKA_UNIT_BEYOND_COM8=COM12 \
  wine ./vorka_tests.exe --gtest_filter='WindowsSearchTest.*' > "$tmp/tests-com12.log" 2>&1) ||
  { tail -30 "$tmp/tests-com12.log"; fail "the window's search did not reach the unit on COM12"; }
grep -q '^\[  PASSED  \] 1 test' "$tmp/tests-com12.log" || fail "the window's search on COM12 did not run"
echo "check-windows: a unit on COM12 is listed and found by vorkactl.exe scan, the window's search and port dialog"

# File errors by their reason, not "input/output error": a missing file, a missing folder and a file
# marked read-only (which even root may not replace under wine).
code=0
ctl_windows --port COM1 diff 'C:\nenalezeno\stroj.vorka' > /dev/null 2> "$tmp/missing.err" || code=$?
[ "$code" = 5 ] && grep -q 'no such file or folder' "$tmp/missing.err" ||
  { cat "$tmp/missing.err"; fail "vorkactl.exe diff of a missing file (exit $code)"; }
echo "kept" > "$tmp/read-only.vorka"
chmod 444 "$tmp/read-only.vorka"
code=0
ctl_windows --port COM1 read -o "$(winpath "$tmp/read-only.vorka")" 2> "$tmp/denied.err" || code=$?
[ "$code" = 5 ] && grep -q 'permission denied' "$tmp/denied.err" && [ "$(cat "$tmp/read-only.vorka")" = kept ] ||
  { cat "$tmp/denied.err"; fail "vorkactl.exe read -o onto a read-only file (exit $code)"; }
code=0
ctl_windows --port COM1 read -o 'C:\nenalezeno\stroj.vorka' 2> "$tmp/nofolder.err" || code=$?
[ "$code" = 5 ] && grep -q 'no such file or folder' "$tmp/nofolder.err" ||
  { cat "$tmp/nofolder.err"; fail "vorkactl.exe read -o into a missing folder (exit $code)"; }
echo "check-windows: a missing file, a missing folder and a read-only file are named by their reason"
# Standard output carries the same bytes as a file written with -o (LF, no CR), and a path with the
# long-path prefix is written and read as the same path without it.
ctl_windows defaults > "$tmp/defaults-stdout" || fail "vorkactl.exe defaults to standard output"
ctl_windows defaults -o "$(winpath "$tmp/defaults-file.vorka")" || fail "vorkactl.exe defaults -o"
same <(grep -v '^# Uloženo:' "$tmp/defaults-stdout") <(grep -v '^# Uloženo:' "$tmp/defaults-file.vorka") \
  "vorkactl.exe's standard output and its -o file differ in their bytes"
! grep -q $'\r' "$tmp/defaults-stdout" || fail "vorkactl.exe's standard output carries CR"
mkdir -p "$tmp/Stroje"
ctl_windows --port COM1 read -o "\\\\?\\$(winpath "$tmp/Stroje/stroj3.vorka")" 2> "$tmp/long.err" ||
  { cat "$tmp/long.err"; fail "vorkactl.exe read -o with a \\\\?\\ path"; }
ctl_windows --port COM1 diff "\\\\?\\$(winpath "$tmp/Stroje/stroj3.vorka")" > /dev/null ||
  fail "vorkactl.exe diff of the file it wrote by a \\\\?\\ path"
echo "check-windows: standard output has the bytes of an -o file; a \\\\?\\ path is written and read"

# The inputs as they change: the same lines apart from their time stamps.
start_unit "$tmp/com1" "$tmp/unit-monitor.log"
map_com COM1 "$tmp/com1"
monitor_shape() { tr -d '\r' | sed -E 's/^[^ ]+ //' | head -n 1; }
(cd "$app" && timeout 6 wine ./vorkactl.exe --port COM1 monitor > "$tmp/monitor-windows" 2>&1) || true
restart_wine
timeout -s INT 3 "$linux_ctl" --port "$tmp/com1" monitor > "$tmp/monitor-linux" 2>&1 || true
[ -s "$tmp/monitor-windows" ] || fail "vorkactl.exe monitor printed nothing"
same <(monitor_shape < "$tmp/monitor-windows") <(monitor_shape < "$tmp/monitor-linux") "monitor lines differ"
echo "check-windows: monitor prints $(wc -l < "$tmp/monitor-windows") lines, shaped as on Linux"
# A unit that goes away mid-work (its line hangs up): the monitor ends at once and says so.
start_unit "$tmp/com1" "$tmp/unit-lost.log"
lost_unit=${pids[-1]}
map_com COM1 "$tmp/com1"
(sleep 3; kill "$lost_unit" 2>/dev/null || true) &
unplug=$!
pids+=("$unplug")
code=0
(cd "$app" && timeout 20 wine ./vorkactl.exe --port COM1 monitor > "$tmp/monitor-lost" 2>&1) || code=$?
wait "$unplug" || true
wait "$lost_unit" 2>/dev/null || true
grep -q ' input 0 ' "$tmp/monitor-lost" && grep -q 'the unit was lost' "$tmp/monitor-lost" && [ "$code" = 3 ] ||
  { cat "$tmp/monitor-lost"; fail "vorkactl.exe monitor with the unit gone (exit $code)"; }
echo "check-windows: a unit gone mid-work ends the monitor with its reason"
start_unit "$tmp/com1" "$tmp/unit-rest.log" --static-inputs
map_com COM1 "$tmp/com1"

# The USB link over the stand-in ftd2xx.dll (its device leads to COM2), and without any.
start_unit "$tmp/com2" "$tmp/unit-usb.log" --static-inputs
map_com COM2 "$tmp/com2"
export VORKA_FAKE_FTDI_PORT=COM2
cp "$fake_ftdi/ftd2xx.dll" "$system32/"
ctl_windows ports > "$tmp/ports-usb" 2>&1 || fail "vorkactl.exe ports with ftd2xx.dll"
grep -q $'^usb:VORKA USB\tFTDI device 1\tSN FAKE0001' <(tr -d '\r' < "$tmp/ports-usb") ||
  { cat "$tmp/ports-usb"; fail "the stand-in FTDI device is not listed"; }
ctl_windows --port usb identify > "$tmp/identify-usb" || fail "vorkactl.exe --port usb identify"
rm "$system32/ftd2xx.dll"
same <(tr -d '\r' < "$tmp/identify-usb") "$tmp/linux/identify" "the unit identifies differently over USB"
ctl_windows ports > "$tmp/ports-none" 2>&1 || fail "vorkactl.exe ports without ftd2xx.dll"
grep -q 'the FTDI driver (ftd2xx.dll) is not installed' "$tmp/ports-none" || { cat "$tmp/ports-none"; fail "no word of the missing driver"; }
if ctl_windows --port usb identify > "$tmp/usb-none" 2>&1; then fail "--port usb opened without ftd2xx.dll"; fi
grep -q 'ftd2xx.dll) is not installed' "$tmp/usb-none" || { cat "$tmp/usb-none"; fail "--port usb without the driver says no reason"; }
ctl_windows --port COM1 identify > /dev/null || fail "the serial line without ftd2xx.dll"
echo "check-windows: USB through ftd2xx.dll when it is there, the reason when it is not, COM ports either way"

# Two units at once, each on a thread of its own: every run ends (it used to print everything and
# hang in the runtime's unloading), with a file per unit; two units with one identifier are refused.
start_unit "$tmp/com1" "$tmp/unit-two-a.log" --static-inputs
start_unit "$tmp/com2" "$tmp/unit-two-b.log" --static-inputs --id VK22222
map_com COM2 "$tmp/com2"
mkdir -p "$tmp/two"
for run in 1 2 3 4 5 6; do
  code=0
  (cd "$app" && timeout 30 wine ./vorkactl.exe --port COM1 --port COM2 identify > "$tmp/two-identify" 2>&1) || code=$?
  [ "$code" = 0 ] || { cat "$tmp/two-identify"; fail "vorkactl.exe identify with two ports, run $run: exit $code (124: never ended)"; }
  grep -q $'^COM2\tVK22222\t' <(tr -d '\r' < "$tmp/two-identify") || { cat "$tmp/two-identify"; fail "the second unit is not identified"; }
  code=0
  (cd "$app" && timeout 30 wine ./vorkactl.exe --port COM1 --port COM2 read -o "$(winpath "$tmp/two")" > "$tmp/two-read" 2>&1) ||
    code=$?
  [ "$code" = 0 ] || { cat "$tmp/two-read"; fail "vorkactl.exe read -o with two ports, run $run: exit $code (124: never ended)"; }
done
for pair in VK12345:com1 VK22222:com2; do
  "$linux_ctl" --port "$tmp/${pair#*:}" read > "$tmp/two-linux.vorka" || fail "vorkactl read of ${pair%%:*}"
  same <(settings "$tmp/two/${pair%%:*}.vorka") <(settings "$tmp/two-linux.vorka") \
    "the file of ${pair%%:*} read with two ports is not the unit's"
done
start_unit "$tmp/com2" "$tmp/unit-two-same.log" --static-inputs
map_com COM2 "$tmp/com2"
code=0
(cd "$app" && timeout 30 wine ./vorkactl.exe --port COM1 --port COM2 read -o "$(winpath "$tmp/two-same")" > "$tmp/two-same.out" 2>&1) ||
  code=$?
[ "$code" = 4 ] && grep -q "2 units answer as VK12345 (COM1, COM2)" "$tmp/two-same.out" ||
  { cat "$tmp/two-same.out"; fail "two units with one identifier: exit $code"; }
echo "check-windows: two ports at once: 6 runs of identify and read -o, each ended, a file per unit; one identifier on two refused"

# Records as a user makes them: no font folder of the tests' own, so vorkactl.exe takes the system's
# fonts; read back, each PDF holds its text, Czech letters included.
start_unit "$tmp/com1" "$tmp/unit-records.log" --static-inputs
map_com COM1 "$tmp/com1"
mkdir -p "$tmp/records-user"
printf 'HiLimitX = 500\n' > "$tmp/records-user/limit.vorka"
(cd "$app" && env -u WINEQT_QPA_FONTDIR wine ./vorkactl.exe --port COM1 report -o "$(winpath "$tmp/records-user/unit.pdf")") \
  > "$tmp/report-user.out" 2>&1 || { cat "$tmp/report-user.out"; fail "vorkactl.exe report as a user runs it"; }
# The series writes the unit, keeps its record and waits for the next until it is ended.
(cd "$app" && env -u WINEQT_QPA_FONTDIR timeout 15 wine ./vorkactl.exe --port COM1 series \
  "$(winpath "$tmp/records-user/limit.vorka")" --records "$(winpath "$tmp/records-user/series")") \
  > "$tmp/series-user.out" 2>&1 || true
restart_wine
for pdf in unit.pdf series/VK12345.pdf; do
  [ -f "$tmp/records-user/$pdf" ] || { cat "$tmp/report-user.out" "$tmp/series-user.out"; fail "no record $pdf"; }
  pdftotext -layout "$tmp/records-user/$pdf" "$tmp/record-user.txt" || fail "pdftotext cannot read $pdf"
  for text in 'Protokol o nastavení jednotky VORKA' 'Výrobní číslo stroje' 'VK12345' 'Strana 1 z'; do
    grep -qF "$text" "$tmp/record-user.txt" || { head -20 "$tmp/record-user.txt"; fail "$pdf does not hold \"$text\""; }
  done
done
echo "check-windows: report and series write records whose text reads back, in the system's fonts"
