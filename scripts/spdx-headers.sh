#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of src/, tests/, bench/, fuzz/, soak/, cmake/, scripts/,
# desktop/ and the top CMakeLists.txt the license line where it is missing:
# "// ..." in C++ files, "# ..." in CMake and shell files (after the "#!" line
# of a script). Running it again changes nothing. With --check it changes
# nothing and lists the files without the line, failing when there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
readonly TAG="SPDX-License-Identifier: GPL-3.0-or-later"

check=0
[ "${1:-}" = "--check" ] && check=1

# Tracked and new files, so nothing ignored (build output) is touched; a copy
# outside git (an unpacked archive) is searched as it is.
list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard -- CMakeLists.txt src tests bench fuzz soak cmake scripts desktop
  else
    find CMakeLists.txt src tests bench fuzz soak cmake scripts desktop -type f -print0
  fi
}

missing=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue  # deleted but not yet committed
  case "$file" in
    tests/data/* | fuzz/seeds/*) continue ;;
    *.cpp | *.h | *.c | *.hpp) comment="//" ;;
    *CMakeLists.txt | *.cmake | *.sh) comment="#" ;;
    *) continue ;;
  esac
  # The first lines only: a file quoting the tag in its body is not licensed by it.
  head -n 3 "$file" | grep -qF "$TAG" && continue
  missing=$((missing + 1))
  if [ "$check" -eq 1 ]; then
    echo "no license line: $file"
    continue
  fi
  tmp=$(mktemp)
  if head -n 1 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$comment $TAG"; tail -n +2 "$file"; } >"$tmp"
  else
    { echo "$comment $TAG"; cat "$file"; } >"$tmp"
  fi
  # Keep the file's mode (scripts stay executable).
  cat "$tmp" >"$file"
  rm -f "$tmp"
done < <(list_files)

if [ "$check" -eq 1 ] && [ "$missing" -gt 0 ]; then
  echo "$missing file(s) lack the line \"$TAG\" (scripts/spdx-headers.sh adds it)"
  exit 1
fi
exit 0
