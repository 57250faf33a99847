# Step 2 of scripts/check-windows (sourced): what the programs and the zip carry: resources (icon,
# version, manifest) and the licences.
echo "== what the programs and the zip carry"
for program in vorka_config vorkactl; do
  x86_64-w64-mingw32-objdump -h "$app/$program.exe" | grep -q ' \.rsrc ' || fail "$program.exe has no resources"
  strings -el -n 3 "$app/$program.exe" > "$tmp/$program.strings"
  for text in ProductVersion "$version" "VORKA config" LegalCopyright; do
    grep -qxF "$text" "$tmp/$program.strings" || fail "$program.exe has no version information ($text)"
  done
  grep -q 'requestedExecutionLevel' < <(strings "$app/$program.exe") || fail "$program.exe has no manifest"
done
unzip -Z1 "$zip" > "$tmp/zip-files"
for licence in LICENCE.txt licenses/Qt-LGPL-3.0.txt licenses/GPL-3.0.txt licenses/Qt-third-party.txt \
  licenses/MinGW-w64-runtime.txt; do
  grep -qxF "$name/$licence" "$tmp/zip-files" || fail "the zip does not hold $licence"
done
grep -q 'MIT' "$app/LICENCE.txt" || fail "the zip's LICENCE.txt does not hold the project's licence"
echo "check-windows: both programs carry an icon, version $version and a manifest; the zip holds the licences"
