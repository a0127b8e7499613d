#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Settings keys are named through their table (src/core/SettingsKeys.h): outside the store
# itself, GetSetting, SetSetting and InitSetting take only a key the table makes
# (RecentFileKey, KeyName); anything else -- a literal, or a string constant of a file's
# own -- is a key spelled again outside the table. Lists each such call and fails.
#
#   check-settings-keys.sh ROOT      checks ROOT/src and ROOT/tools
#   check-settings-keys.sh --self-test
set -euo pipefail

# Files allowed to call the string-keyed store directly.
allowed=(
  src/core/clsSettings.h   # the store itself
  src/core/clsSettings.cpp
)

check() {
  local root=$1
  local files=()
  while IFS= read -r -d '' f; do
    local rel=${f#"$root"/} skip=0
    for a in "${allowed[@]}"; do [[ $rel == "$a" ]] && skip=1; done
    ((skip)) || files+=("$f")
  done < <(find "$root/src" "$root/tools" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 \
             2> /dev/null | sort -z)
  ((${#files[@]})) || return 0
  # Comments are blanked (keeping their line breaks) so that only code is judged; a call
  # may spread over lines.
  perl -0777 -ne '
    my $text = $_;
    $text =~ s{//[^\n]*}{}g;
    $text =~ s{/\*.*?\*/}{ my $c = $&; $c =~ tr/\n//cd; $c }gse;
    while ($text =~ /\b(?:Get|Set|Init)Setting\s*\(\s*(?!(?:quillary::)?(?:RecentFileKey|KeyName)\s*\()/g) {
      my $line = 1 + (substr($text, 0, $-[0]) =~ tr/\n//);
      my ($shown) = (split /\n/, $_, -1)[$line - 1];
      $shown =~ s/^\s+//;
      print "$ARGV:$line: $shown\n";
    }
  ' "${files[@]}"
}

if [[ ${1:-} == --self-test ]]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/src/a" "$tmp/tools"
  cat > "$tmp/src/a/Bad.cpp" << 'EOF'
void f(clsSettings& s) {
    s.GetSetting(QStringLiteral("Log Errors"));
    s.SetSetting(
        kMyKey, QStringLiteral("1"));
}
EOF
  cat > "$tmp/tools/Good.cpp" << 'EOF'
// GetSetting(QStringLiteral("x")) in a comment is no call.
/* nor SetSetting("y", "1") here */
void g(clsSettings& s) {
    s.GetSetting(RecentFileKey(2));
    s.SetSetting(quillary::KeyName(Config::LogErrors), QString());
    s.GetFlag(Config::LogErrors);
}
EOF
  mkdir -p "$tmp/src/core"
  printf 'void h(clsSettings& s) { s.GetSetting("Picture Zoom"); }\n' \
    > "$tmp/src/core/clsSettings.cpp"
  found=$(check "$tmp")
  expected="$tmp/src/a/Bad.cpp:2: s.GetSetting(QStringLiteral(\"Log Errors\"));
$tmp/src/a/Bad.cpp:3: s.SetSetting("
  if [[ $found != "$expected" ]]; then
    printf 'self-test: expected\n%s\nbut found\n%s\n' "$expected" "$found" >&2
    exit 1
  fi
  echo "self-test passed"
  exit 0
fi

root=${1:?usage: check-settings-keys.sh ROOT | --self-test}
found=$(check "$root")
if [[ -n $found ]]; then
  echo "Settings keys spelled outside the table (use Config and the typed accessors):" >&2
  echo "$found" >&2
  exit 1
fi
echo "every settings key goes through the table"
