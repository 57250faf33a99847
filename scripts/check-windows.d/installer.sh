# Step 4 of scripts/check-windows (sourced): the installer: a silent install and uninstall, then one
# beside another program's files, and both while a program runs from the folder.
echo "== the installer"
# Installed for every user without questions (/S), run from where it went, then removed again.
wine "$root/dist/$name-setup.exe" /S
installed="$WINEPREFIX/drive_c/Program Files/VORKA config"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VORKA config"
for file in vorka_config.exe vorkactl.exe Qt6Widgets.dll platforms/qwindows.dll uninstall.exe; do
  [ -f "$installed/$file" ] || fail "the installer did not install $file"
done
[ -f "$menu/VORKA config.lnk" ] || fail "the installer made no Start-menu entry"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vorka-config' > /dev/null 2>&1 ||
  fail "the installed programs do not list VORKA config"
(cd "$installed" && wine ./vorkactl.exe --port COM1 identify > "$tmp/identify-installed") || fail "the installed vorkactl.exe"
same <(tr -d '\r' < "$tmp/identify-installed") "$tmp/linux/identify" "the installed vorkactl.exe identifies differently"
# The uninstaller goes on from a copy of itself: wait for the folder to go.
wine "C:\\Program Files\\VORKA config\\uninstall.exe" /S
for _ in $(seq 300); do [ -e "$installed" ] || break; sleep 0.1; done
[ ! -e "$installed" ] && [ ! -e "$menu" ] || fail "the uninstaller left files behind"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vorka-config' > /dev/null 2>&1; then
  fail "the uninstaller left its entry among the installed programs"
fi
echo "check-windows: the installer installs, the installed programs run, the uninstaller removes them"

# Into a folder another program lives in, with the operator's own files: the uninstaller removes
# what the installer put there, and all of that stays.
shared=$WINEPREFIX/drive_c/Nastroje
mkdir -p "$shared/platforms" "$shared/translations" "$shared/zalohy"
others=(jiny.exe libjiny.dll platforms/qjiny.dll translations/jiny_cs.qm ftd2xx.dll stroj1.vorka zalohy/stara.vorka)
for file in "${others[@]}"; do echo "$file" > "$shared/$file"; done
wine "$root/dist/$name-setup.exe" /S '/D=C:\Nastroje'
for file in vorka_config.exe vorkactl.exe Qt6Core.dll platforms/qwindows.dll LICENCE.txt licenses/Qt-LGPL-3.0.txt; do
  [ -f "$shared/$file" ] || fail "the installer did not install $file into C:\\Nastroje"
done
# The files carry the time of the build's commit, not 1970.
[ "$(stat -c %Y "$shared/vorka_config.exe")" -gt 946684800 ] || fail "the installed files are dated $(stat -c %y "$shared/vorka_config.exe")"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vorka-config' /v EstimatedSize 2>/dev/null |
  tr -d '\r' | grep -qE 'EstimatedSize +REG_DWORD +0x[0-9a-f]*[1-9a-f]' || fail "the uninstall entry has no size"
# While the program runs from there, a reinstall stops (silently: exit code 2) and replaces nothing.
(cd "$shared" && WINEQT_QPA_PLATFORM=offscreen timeout 60 wine ./vorka_config.exe > /dev/null 2>&1) &
running=$!
sleep 8  # started: wine takes a few seconds
code=0
wine "$root/dist/$name-setup.exe" /S '/D=C:\Nastroje' || code=$?
[ "$code" = 2 ] || fail "the installer went on while vorka_config.exe ran (exit $code)"
# The uninstaller run in place (_?=) waits and tells its outcome: 2, everything kept.
code=0
wine 'C:\Nastroje\uninstall.exe' /S '_?=C:\Nastroje' || code=$?
[ "$code" = 2 ] && [ -f "$shared/vorka_config.exe" ] && [ -f "$shared/uninstall.exe" ] ||
  fail "the uninstaller run in place while vorka_config.exe ran: exit $code"
kill "$running" 2> /dev/null || true
wait "$running" 2> /dev/null || true
restart_wine
wine 'C:\Nastroje\uninstall.exe' /S
for _ in $(seq 300); do [ -e "$shared/uninstall.exe" ] || break; sleep 0.1; done
for file in "${others[@]}"; do
  [ "$(cat "$shared/$file" 2>/dev/null)" = "$file" ] || fail "the uninstaller removed or changed $file, which it did not install"
done
left=$(cd "$shared" && find . -type f | sed 's#^\./##' | LC_ALL=C sort)
[ "$left" = "$(printf '%s\n' "${others[@]}" | LC_ALL=C sort)" ] ||
  fail "the uninstaller left files of its own in C:\\Nastroje: $(comm -23 <(echo "$left") <(printf '%s\n' "${others[@]}" | LC_ALL=C sort) | tr '\n' ' ')"
echo "check-windows: installed beside another program, the uninstaller removed exactly its own files"
