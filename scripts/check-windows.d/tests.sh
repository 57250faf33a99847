# Step 1 of scripts/check-windows (sourced): the cross-built tests under wine, without and with the
# stand-in ftd2xx.dll.
echo "== the tests under wine"
# An English Windows (wine gives C.UTF-8 the ANSI code page 1252), which has no "ř": a path of the
# tests holds one.
(cd "$app" && LANG=C.UTF-8 WINEQT_QPA_PLATFORM=offscreen VORKA_EXPECT_FTD2XX=0 wine ./vorka_tests.exe > "$tmp/tests.log" 2>&1) ||
  { tail -40 "$tmp/tests.log"; fail "the tests failed under wine"; }
grep -E '^\[  (PASSED|SKIPPED|FAILED) +\] [0-9]' "$tmp/tests.log" || true
for language in Czech English; do
  grep -q "^\[       OK \] Languages/FitTest.EveryTextFitsItsControlAtEachScale/$language " "$tmp/tests.log" ||
    fail "the fit test did not run in $language with the Windows fonts"
done
# The driver is loaded from the system folder only, where FTDI's installer puts it: one planted
# beside the programs, in the current folder or on PATH is not loaded.
system32=$WINEPREFIX/drive_c/windows/system32
cp "$fake_ftdi/ftd2xx.dll" "$app/"
(cd "$app" && WINEPATH=$(winpath "$fake_ftdi") WINEQT_QPA_PLATFORM=offscreen VORKA_EXPECT_FTD2XX=0 \
  wine ./vorka_tests.exe --gtest_filter='WindowsD2xxTest.*' > "$tmp/tests-planted.log" 2>&1) ||
  { tail -40 "$tmp/tests-planted.log"; fail "an ftd2xx.dll beside the program or on PATH was loaded"; }
rm "$app/ftd2xx.dll"
cp "$fake_ftdi/ftd2xx.dll" "$system32/"
(cd "$app" && WINEQT_QPA_PLATFORM=offscreen VORKA_EXPECT_FTD2XX=1 \
  wine ./vorka_tests.exe --gtest_filter='WindowsD2xxTest.*' > "$tmp/tests-ftdi.log" 2>&1) ||
  { tail -40 "$tmp/tests-ftdi.log"; fail "the tests with the stand-in ftd2xx.dll failed"; }
rm "$system32/ftd2xx.dll"
grep -q '^\[  PASSED  \] 1 test' "$tmp/tests-ftdi.log" || fail "the driver test did not run with ftd2xx.dll"
list_tests() { awk '/^[^ ]/ {suite=$1} /^  [^ ]/ {print suite $1}'; }
(cd "$app" && wine ./vorka_tests.exe --gtest_list_tests 2>/dev/null | tr -d '\r' | list_tests | sort > "$tmp/windows-tests")
QT_QPA_PLATFORM=offscreen build/tests/vorka_tests --gtest_list_tests 2>/dev/null | list_tests | sort > "$tmp/linux-tests"
echo "check-windows: $(wc -l < "$tmp/windows-tests") tests run under wine;" \
  "$(comm -23 "$tmp/linux-tests" "$tmp/windows-tests" | wc -l) run on Linux only (they need a pseudo-terminal in their own process)"
