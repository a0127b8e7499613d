#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/add-spdx.sh on a small scratch repository: which files count as source, where the
# line goes in each language (after a "#!" line), that third-party files and files naming
# their own licence are left alone, that file modes survive, and that a second run changes
# nothing. Run with or without git, as the script is.
set -euo pipefail
script="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
c='// SPDX-License-Identifier: GPL-3.0-or-later'
h='# SPDX-License-Identifier: GPL-3.0-or-later'

make_tree() {
  local r="$1"
  mkdir -p "$r/src" "$r/scripts" "$r/resources/completion" "$r/tests/data/sessions" "$r/build"
  printf 'int main() {}\n' > "$r/src/main.cpp"
  printf '#pragma once\n' > "$r/src/Thing.h"
  printf '#define V "@PROJECT_VERSION@"\n' > "$r/src/Version.h.in"
  : > "$r/src/Empty.h"
  printf '// SPDX-License-Identifier: MIT\nint x;\n' > "$r/src/Borrowed.cpp"
  printf 'project(X)\n' > "$r/CMakeLists.txt"
  printf 'set(A 1)\n' > "$r/src/extra.cmake"
  printf '#!/usr/bin/env bash\necho hi\n' > "$r/scripts/run.sh"
  printf '#!/usr/bin/env bash\necho ci\n' > "$r/scripts/ci"
  printf '#!/usr/bin/env python3\n"""Doc."""\n' > "$r/scripts/tool.py"
  printf 'use strict;\n' > "$r/scripts/tool.pl"
  printf '# bash completion for x\n_x() { :; }\n' > "$r/resources/completion/x"
  chmod 755 "$r/scripts/run.sh" "$r/scripts/ci"
  printf 'plain notes\n' > "$r/README.txt"
  printf '#!not a script, a data file\n' > "$r/tests/data/sessions/capture.py"
  printf 'Apache License 2.0\n' > "$r/tests/data/sessions/LICENSE"
  printf 'int generated;\n' > "$r/build/generated.cpp"
  printf '/build/\n' > "$r/.gitignore"
  mkdir -p "$r/.ci"
  printf '#!/usr/bin/env bash\nbash scripts/test.sh\n' > "$r/.ci/run"
}

expected_missing="CMakeLists.txt
resources/completion/x
scripts/ci
scripts/run.sh
scripts/tool.pl
scripts/tool.py
src/Empty.h
src/Thing.h
src/Version.h.in
src/extra.cmake
src/main.cpp"

for mode in git plain; do
  r="$scratch/$mode"
  mkdir -p "$r"
  make_tree "$r"
  if [ "$mode" = git ]; then
    command -v git > /dev/null || { echo "git not installed: only the plain tree is checked"; continue; }
    git -C "$r" init -q
  fi

  set +e
  out="$(bash "$script" --check "$r")"
  status=$?
  set -e
  [ "$status" -eq 1 ] || fail "$mode: --check exited $status with files missing the line"
  got="$(echo "$out" | sed -n 's/: no ".*//p' | sort)"
  [ "$got" = "$expected_missing" ] || fail "$mode: --check listed:
$got"
  [ -z "$(grep -rl SPDX "$r/src/main.cpp" "$r/scripts/run.sh" || true)" ] || fail "$mode: --check changed a file"

  bash "$script" "$r" > /dev/null
  [ "$(cat "$r/src/main.cpp")" = "$c
int main() {}" ] || fail "$mode: main.cpp: $(cat "$r/src/main.cpp")"
  [ "$(cat "$r/src/Thing.h")" = "$c
#pragma once" ] || fail "$mode: Thing.h"
  [ "$(sed -n 1p "$r/src/Version.h.in")" = "$c" ] || fail "$mode: Version.h.in"
  [ "$(cat "$r/src/Empty.h")" = "$c" ] || fail "$mode: Empty.h"
  [ "$(cat "$r/src/Borrowed.cpp")" = "// SPDX-License-Identifier: MIT
int x;" ] || fail "$mode: a file with its own licence line was changed"
  [ "$(sed -n 1p "$r/CMakeLists.txt")" = "$h" ] || fail "$mode: CMakeLists.txt"
  [ "$(sed -n 1p "$r/src/extra.cmake")" = "$h" ] || fail "$mode: extra.cmake"
  [ "$(cat "$r/scripts/run.sh")" = "#!/usr/bin/env bash
$h
echo hi" ] || fail "$mode: run.sh: $(cat "$r/scripts/run.sh")"
  [ "$(sed -n 2p "$r/scripts/ci")" = "$h" ] || fail "$mode: ci"
  [ "$(sed -n 1,3p "$r/scripts/tool.py")" = "#!/usr/bin/env python3
$h
\"\"\"Doc.\"\"\"" ] || fail "$mode: tool.py"
  [ "$(sed -n 1p "$r/scripts/tool.pl")" = "$h" ] || fail "$mode: tool.pl"
  [ "$(sed -n 1p "$r/resources/completion/x")" = "$h" ] || fail "$mode: completion"
  [ -x "$r/scripts/run.sh" ] && [ -x "$r/scripts/ci" ] || fail "$mode: a script lost its x bit"
  [ "$(cat "$r/README.txt")" = "plain notes" ] || fail "$mode: a text file was changed"
  [ "$(cat "$r/tests/data/sessions/capture.py")" = "#!not a script, a data file" ] ||
    fail "$mode: a file under its own LICENSE was changed"
  [ "$(cat "$r/build/generated.cpp")" = "int generated;" ] || fail "$mode: the build folder was changed"
  [ "$(sed -n 2p "$r/.ci/run")" = "bash scripts/test.sh" ] || fail "$mode: a hidden folder was changed"

  before="$(cd "$r" && find . -type f -not -path './.git/*' -exec md5sum {} + | sort)"
  bash "$script" "$r" > /dev/null
  after="$(cd "$r" && find . -type f -not -path './.git/*' -exec md5sum {} + | sort)"
  [ "$before" = "$after" ] || fail "$mode: a second run changed files"
  bash "$script" --check "$r" > /dev/null || fail "$mode: --check fails after the script ran"
done
echo "1 passed, 0 failed"
