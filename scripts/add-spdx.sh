#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the repository the licence line (GPL-3.0-or-later, in SPDX
# form, see $line below) in its language's comment syntax, as the first line (after a "#!"
# line). Run it again whenever files come in from elsewhere; it only touches files that
# lack the line.
#
# Usage: scripts/add-spdx.sh [--check] [ROOT]
#   --check  change nothing: list the source files without the line, exit 1 if there are any
#   ROOT     the repository (default: the one holding this script)
#
# Source files are the files git knows (tracked, or new and not ignored) in C or C++
# (.c .cc .cpp .cxx .h .hh .hpp), CMake (.cmake, CMakeLists.txt), shell (.sh, the bash
# completions in resources/completion/, any file starting with "#!"), Python (.py) or Perl
# (.pl .pm), and ".in" templates of these. Left alone: files that already name a licence
# with SPDX-License-Identifier, files in a folder that carries a licence of its own (a
# LICENSE, LICENCE, COPYING or NOTICE file below ROOT: third-party data keeps its terms),
# and the hosting's hidden folders (.ci/, .github/ ...), which are not part of the program.
set -euo pipefail

check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
root="${1:-$(dirname "$0")/..}"
root="$(cd "$root" && pwd)"
line="SPDX-License-Identifier: GPL-3.0-or-later"

list_files() {
  if git -C "$root" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    git -C "$root" ls-files -z --cached --others --exclude-standard
  else
    (cd "$root" && find . \( -name '.git' -o -name 'build*' -o -name '.cache' \) -prune -o \
      -type f -printf '%P\0')
  fi
}

# The comment that starts the line in this file's language; nothing for other files.
comment_for() {
  local path="$1" name="${1##*/}"
  name="${name%.in}"
  case "$name" in
    *.c | *.cc | *.cpp | *.cxx | *.h | *.hh | *.hpp) echo "//"; return ;;
    CMakeLists.txt | *.cmake | *.sh | *.py | *.pl | *.pm) echo "#"; return ;;
  esac
  case "$path" in
    resources/completion/*) echo "#"; return ;;
  esac
  if [ "$(head -c 2 "$root/$path" | tr -d '\0')" = "#!" ]; then echo "#"; fi
}

# True when a folder between the file and ROOT holds a licence of its own.
has_own_licence() {
  local dir="${1%/*}"
  [ "$dir" = "$1" ] && return 1
  while [ -n "$dir" ] && [ "$dir" != . ]; do
    if compgen -G "$root/$dir/LICEN[CS]E*" > /dev/null ||
       compgen -G "$root/$dir/COPYING*" > /dev/null ||
       compgen -G "$root/$dir/NOTICE*" > /dev/null; then
      return 0
    fi
    [ "${dir%/*}" = "$dir" ] && break
    dir="${dir%/*}"
  done
  return 1
}

missing=0
while IFS= read -r -d '' path; do
  file="$root/$path"
  [ -f "$file" ] && [ ! -L "$file" ] || continue
  case "$path" in .*/*) continue ;; esac
  comment="$(comment_for "$path")"
  [ -n "$comment" ] || continue
  first="$(head -n 5 "$file")"
  [[ "$first" == *SPDX-License-Identifier:* ]] && continue
  has_own_licence "$path" && continue
  if [ "$check" = 1 ]; then
    echo "$path: no \"$line\" line (scripts/add-spdx.sh adds it)"
    missing=$((missing + 1))
    continue
  fi
  text="$comment $line"
  if [ ! -s "$file" ]; then
    printf '%s\n' "$text" > "$file"
  elif [ "$(head -c 2 "$file" | tr -d '\0')" = "#!" ]; then
    sed -i "1a\\$text" "$file"
  else
    sed -i "1i\\$text" "$file"
  fi
  echo "added: $path"
done < <(list_files)

if [ "$check" = 1 ] && [ "$missing" -gt 0 ]; then
  echo "$missing source file(s) without the licence line"
  exit 1
fi
exit 0
