# Step 5 of scripts/check-windows (sourced): vorka_config.exe on an X server beside the Linux
# vorka_config: read, save, factory settings and reset, with the same bytes on the wire.
echo "== vorka_config.exe and vorka_config on an X server"
# A display no X server holds (neither its socket nor its lock).
display=
for candidate in $(seq 90 99); do
  if [ ! -e "/tmp/.X11-unix/X$candidate" ] && [ ! -e "/tmp/.X$candidate-lock" ]; then
    display=$candidate
    break
  fi
done
[ -n "$display" ] || fail "every X display from :90 to :99 is taken"
# Wide enough for the port dialog at 144 DPI (1372 pixels).
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 50); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation > /dev/null 2>&1 || fail "Xvfb did not start on :$display"
shots=$root/$wbuild/screenshots
rm -rf "$shots"  # only this run's
mkdir -p "$shots"

# Waits until the unit has received nothing for a second and a half (at most 40 s).
settle() {
  local log=$1 last=-1 quiet=0 now
  for _ in $(seq 400); do
    now=$(wc -l < "$log")
    if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; last=$now; fi
    [ "$quiet" -ge 15 ] && return
    sleep 0.1
  done
}
# The message box the window shows besides its main window, if any.
shown_box() {
  local main=$1 w
  for w in $(xdotool search --onlyvisible --name '.+' 2>/dev/null); do
    [ "$w" != "$main" ] && { echo "$w"; return 0; }
  done
  return 0
}
# Waits for the message box the step shows (at most 30 s) and closes it with its default button.
close_box() {
  local main=$1 label=$2 box=
  for _ in $(seq 300); do
    box=$(shown_box "$main")
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || fail "$label: the message box did not come"
  xdotool windowfocus --sync "$box" && xdotool key Return
  for _ in $(seq 100); do [ -z "$(shown_box "$main")" ] && return; sleep 0.1; done
  fail "$label: the message box did not close"
}
# Where a control of the main window is, by its name: window/Term.ui places the main window's
# controls by hand, below the menu bar. Wine 8 cannot find controls by name in a running program:
# UI Automation gives the main window's own name, but walking into its controls hangs in wine's
# marshalling and UiaNodeFromFocus is not implemented. The form's own places are the next best.
menu_bar=18
control_centre() {
  local rect cx cy cw ch
  rect=$(grep -A1 "name=\"$1\"" "$root/window/Term.ui" |
    sed -n 's/.*<x>\([0-9]*\)<\/x><y>\([0-9]*\)<\/y><width>\([0-9]*\)<\/width><height>\([0-9]*\)<\/height>.*/\1 \2 \3 \4/p')
  [ -n "$rect" ] || fail "window/Term.ui places no control named $1"
  read -r cx cy cw ch <<< "$rect"
  echo "$((cx + cw / 2)) $((cy + ch / 2 + menu_bar))"
}
# Starts, then reads, saves, loads the factory settings and resets through the window's buttons.
# Each step either shows a box (startup: the unit restarting does not answer; save: done; reset:
# the restarting unit again) or shows none.
# The main window once it shows, on COM1 at 115200 Bd (wine takes a while to start it); empty when
# it does not come within two minutes.
main_window() {
  local main=
  for _ in $(seq 1200); do
    main=$(xdotool search --onlyvisible --name "^VORKA config v$version - COM1 - 115200\$" 2>/dev/null | head -n 1) || true
    [ -n "$main" ] && break
    sleep 0.1
  done
  echo "$main"
}
drive_window() {
  local log=$1 label=$2 main geometry x y step control box centre cx cy
  shift 2
  "$@" > "$tmp/$label.out" 2>&1 &
  local program=$!
  pids+=($program)
  main=$(main_window)
  [ -n "$main" ] || { cat "$tmp/$label.out"; fail "$label: no window on COM1"; }
  close_box "$main" "$label start"
  settle "$log"
  import -window root "$shots/$label-started.png"
  geometry=$(xdotool getwindowgeometry "$main" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  read -r x y <<< "$geometry"
  # "Načíst z VORKA", "Uložit do VORKA", "Defaultní nastavení" and "Reset VORKA", by their names.
  for step in ReadSetting:none BtnSend1:box Button1:none reset:box; do
    IFS=: read -r control box <<< "$step"
    centre=$(control_centre "$control") || exit 1
    read -r cx cy <<< "$centre"
    xdotool mousemove $((x + cx)) $((y + cy)) click 1
    sleep 0.5
    settle "$log"
    import -window root "$shots/$label-$control.png"
    if [ "$box" = box ]; then
      close_box "$main" "$label $control"
    elif [ -n "$(shown_box "$main")" ]; then
      fail "$label $control: an unexpected message box (see $shots/$label-$control.png)"
    fi
  done
  if [ "$label" = windows ]; then
    # Closed as the operator closes it, the program ends (it stayed, its window gone, its line's
    # thread having left work to the runtime's unloading). Xvfb has no window manager to close the
    # Linux window with.
    xdotool windowactivate --sync "$main" > /dev/null 2>&1 || true
    xdotool key --window "$main" alt+F4
    for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$program" 2>/dev/null; then fail "$label: the program did not end when its window was closed"; fi
  fi
  kill "$program" 2>/dev/null || true
}
start_unit "$tmp/com1" "$tmp/window-windows.log" --static-inputs
map_com COM1 "$tmp/com1"
(cd "$app" && LANG=cs_CZ.UTF-8 drive_window "$tmp/window-windows.log" windows wine ./vorka_config.exe)
grep -q '^!0ER' "$tmp/window-windows.log" || fail "vorka_config.exe did not read the unit"
restart_wine
start_unit "$tmp/linux-com" "$tmp/window-linux.log" --static-inputs
LANG=cs_CZ.UTF-8 VORKA_COM1=$tmp/linux-com QT_QPA_PLATFORM=xcb drive_window "$tmp/window-linux.log" linux build/vorka_config
same <(received "$tmp/window-windows.log") <(received "$tmp/window-linux.log") \
  "the windows sent different bytes (start, read, save, factory settings, reset)"
echo "check-windows: the window started, read, saved, loaded the factory settings, reset and ended when closed, with the same" \
  "$(received "$tmp/window-linux.log" | wc -l) command lines on the wire; screenshots in $wbuild/screenshots"
