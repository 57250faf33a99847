# Step 7 of scripts/check-windows (sourced): the three pages and the port dialog at 96 and 144 DPI
# in the Windows fonts, as screenshots.
echo "== the windows in the Windows fonts at 96 and 144 DPI"
# The main window's three pages and the port dialog, as Windows shows them at each scale, for a look
# by eye (the suite's fit test measures every text).
shoot_windows() {
  local dpi=$1 main= dialog= x y
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null 2>&1
  start_unit "$tmp/com1" "$tmp/unit-shots-$dpi.log" --static-inputs
  map_com COM1 "$tmp/com1"
  # Its own output goes to a file; the shell's notice of the program killed with wine, nowhere.
  (cd "$app" && LANG=cs_CZ.UTF-8 wine ./vorka_config.exe > "$tmp/shots-$dpi.out" 2>&1 || true) 2> /dev/null &
  pids+=($!)
  main=$(main_window)
  [ -n "$main" ] || { cat "$tmp/shots-$dpi.out"; fail "no window at $dpi DPI"; }
  close_box "$main" "start at $dpi DPI"
  settle "$tmp/unit-shots-$dpi.log"
  read -r x y <<< "$(xdotool getwindowgeometry "$main" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')"
  # Each tab by its place on the tab bar: Qt lays the tabs and the menu out by their texts, so the
  # form gives no place for them, and wine cannot find them by name (see window.sh).
  for page in 0:32 1:93 2:156; do
    xdotool mousemove $((x + ${page#*:} * dpi / 96)) $((y + 38 * dpi / 96)) click 1
    page=${page%%:*}
    sleep 1
    import -window "$main" "$shots/fonts-$dpi-page$page.png"
  done
  xdotool mousemove $((x + 64 * dpi / 96)) $((y + 9 * dpi / 96)) click 1
  for _ in $(seq 100); do dialog=$(shown_box "$main"); [ -n "$dialog" ] && break; sleep 0.1; done
  [ -n "$dialog" ] || fail "the port dialog did not open at $dpi DPI"
  sleep 1
  import -window "$dialog" "$shots/fonts-$dpi-port.png"
  xdotool windowfocus --sync "$dialog" key Escape
  sleep 1
  wineserver -k > /dev/null 2>&1 || true
  wait "${pids[-1]}" 2> /dev/null || true
}
restart_wine
shoot_windows 96
shoot_windows 144
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f > /dev/null 2>&1
echo "check-windows: the three pages and the port dialog at 96 and 144 DPI in $wbuild/screenshots/fonts-*.png"
