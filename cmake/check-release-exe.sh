#!/bin/bash
# Checks that a Windows program is fit to hand to users: it carries no debug
# sections, no test code (the test builds' switches, all named YQ_TEST...),
# and every DLL it imports is part of Windows itself (the program is linked
# statically: a user gets one exe and nothing beside it).
# Usage: check-release-exe.sh EXE OBJDUMP
# Exits 1 and names every offending section and DLL otherwise.
set -uo pipefail
exe=${1:?usage: check-release-exe.sh EXE OBJDUMP}
objdump=${2:?usage: check-release-exe.sh EXE OBJDUMP}
me=$(basename "$0")

# The Windows DLLs the program may import: the C runtime and kernel that
# every mingw program uses, and the system libraries our CMake files link.
allowed=(
  kernel32.dll msvcrt.dll
  user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll msimg32.dll uxtheme.dll
  gdiplus.dll wininet.dll shlwapi.dll ole32.dll oleaut32.dll
)

headers=$("$objdump" -h "$exe" 2>&1) || { echo "$me: $objdump cannot read $exe: $headers" >&2; exit 1; }
private=$("$objdump" -p "$exe" 2>&1) || { echo "$me: $objdump cannot read $exe: $private" >&2; exit 1; }
sections=$(awk '$1 ~ /^[0-9]+$/ { print $2 }' <<<"$headers")
dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$private" | tr -d '\r' | tr 'A-Z' 'a-z')
# An empty listing would pass every rule below: refuse it instead.
if ! grep -qx '.text' <<<"$sections" || [ -z "$dlls" ]; then
  echo "$me: $exe: no sections or no imports found; is it a Windows program?" >&2
  exit 1
fi

problems=0
debug=$(grep '^\.debug' <<<"$sections" | tr '\n' ' ')
if [ -n "$debug" ]; then
  echo "$me: $exe: debug sections: ${debug% }" >&2
  problems=1
fi
foreign=()
for dll in $dlls; do
  ok=0
  for a in "${allowed[@]}"; do [ "$dll" = "$a" ] && ok=1 && break; done
  [ $ok = 1 ] || foreign+=("$dll")
done
hooks=$(grep -a -o 'YQ_TEST[A-Z_]*' "$exe" | sort -u | tr '\n' ' ')
if [ -n "$hooks" ]; then
  echo "$me: $exe: test code: ${hooks% }" >&2
  problems=1
fi
if [ ${#foreign[@]} -gt 0 ]; then
  echo "$me: $exe: imports DLLs that are not part of Windows: ${foreign[*]}" >&2
  problems=1
fi
if [ $problems = 1 ]; then
  echo "$me: $exe: FAILED" >&2
  exit 1
fi
echo "$me: $exe: $(wc -c <"$exe") bytes, $(wc -l <<<"$sections") sections, no debug sections," \
  "no test code; imports only Windows DLLs: $(echo $dlls)"
