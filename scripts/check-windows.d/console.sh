# Step 6 of scripts/check-windows (sourced, on the X server of step 5): vorkactl.exe in a console
# window of wineconsole, as a user starts it from cmd. What the console shows is read back from
# inside it (console_screen.exe): the Czech letters must arrive whole whatever code page the console
# is set to.
echo "== vorkactl.exe in a console window at code pages 852, 1250 and 65001"
for page in 852 1250 65001; do
  screen=$tmp/console-$page.txt
  (cd "$app" && timeout 60 wineconsole cmd /c \
    "chcp $page > nul & vorkactl.exe defaults & $(winpath "$test_tools/console_screen.exe") > $(winpath "$screen")") \
    > /dev/null 2>&1 || true
  [ -s "$screen" ] || fail "no console at code page $page (wineconsole showed nothing)"
  grep -q '^OUT1 = Chlazení$' "$screen" && grep -q '^XAxisPolarity = Kladná$' "$screen" ||
    { grep -E 'OUT1|XAxis' "$screen"; fail "vorkactl.exe in a console at code page $page shows Czech letters wrong"; }
done
echo "check-windows: a console window shows the Czech letters whole at code pages 852, 1250 and 65001"
