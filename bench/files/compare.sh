#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process speed and memory of quillary-pdb next to the plain file tools doing the
# same work, measured side by side in one run on generated databases of 5000 and 32,767
# notes (a sketched picture in every note).
#
#   bench/files/compare.sh [BUILD_DIR] [REPETITIONS]     (default: build-rel 5)
#
# Build first (Release): cmake --build build-rel --target quillary-pdb quillary-pdb-qt make_bench_notes
# Each pair runs alternately, REPETITIONS times; the table shows medians of wall time and
# CPU time (user + system; fairer on a busy machine) and their ratio to the baseline.
# export and archive are set against tar -x of the very files they write (and, since they
# make their folder durable before they put it in place, against tar -x and sync too),
# unarchive against reading those files (cat). Memory: peak resident size above the program's own
# baseline (quillary-pdb --help), as a multiple of the file size. PNG size: the exported
# and the archived pictures against netpbm's pnmtopng of the same pixels.
set -euo pipefail

BUILD=${1:-build-rel}
REPS=${2:-5}
PDB=$BUILD/bin/quillary-pdb
MAKE=$BUILD/bin/make_bench_notes
for exe in "$PDB" "$MAKE"; do
  [ -x "$exe" ] || { echo "missing $exe (build it first)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
for tool in pngtopnm pnmtopng; do
  command -v $tool >/dev/null || { echo "needs $tool (apt-get install netpbm)" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/var/tmp}/quillary-files.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
DB=$WORK/notes.pdb
"$MAKE" "$DB"
"$MAKE" "$WORK/empty.pdb" 0
SIZE=$(stat -c %s "$DB")
KB=$((SIZE / 1024))

BIG=$WORK/notes32767.pdb
"$MAKE" "$BIG" 32767
BIGSIZE=$(stat -c %s "$BIG")

# The same files export and archive write, packed once, for tar -x to unpack; the
# archive's files are also what unarchive and its baseline read.
"$PDB" export "$DB" "$WORK/ref" >/dev/null
tar -C "$WORK/ref" -cf "$WORK/files.tar" .
"$PDB" archive "$DB" "$WORK/arcref" >/dev/null
tar -C "$WORK/arcref" -cf "$WORK/archive.tar" .
"$PDB" export "$BIG" "$WORK/bigref" >/dev/null
tar -C "$WORK/bigref" -cf "$WORK/bigfiles.tar" .
rm -rf "$WORK/bigref"
"$PDB" archive "$BIG" "$WORK/bigarcref" >/dev/null
tar -C "$WORK/bigarcref" -cf "$WORK/bigarchive.tar" .

# run NAME COMMAND...: one timed run appended to $WORK/NAME (wall cpu maxrss_kb).
# Times come from bash (millisecond resolution), peak memory from /usr/bin/time.
run() {
  local name=$1
  shift
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>"$WORK/t"
  echo 0 >"$WORK/m"
  case $name in help | resave | info) /usr/bin/time -f "%M" -o "$WORK/m" "$@" >/dev/null 2>&1 ;; esac
  printf "%s %s\n" "$(awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$WORK/t")" "$(cat "$WORK/m")" \
    >>"$WORK/r.$name"
}
median() { # median of column $2 of file $1
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

fresh() { rm -rf "$WORK/$1"; mkdir -p "$WORK/$1"; }

# Warm the page cache so both sides read from memory.
cat "$DB" >/dev/null
for ((i = 0; i < REPS; ++i)); do
  run help "$PDB" --help
  run cat cat "$DB"
  run open "$PDB" import "$DB" --pdb "$WORK/empty.pdb"
  run info "$PDB" info "$DB"
  run cpsync sh -c 'cp "$1" "$2" && sync "$2"' sh "$DB" "$WORK/copy.pdb"
  run resave "$PDB" resave "$DB" "$WORK/resaved.pdb"
  fresh tarx && run tarx tar -C "$WORK/tarx" -xf "$WORK/files.tar"
  fresh tarxs && run tarxsync sh -c 'tar -C "$1" -xf "$2" && sync -f "$1"' sh "$WORK/tarxs" "$WORK/files.tar"
  fresh exp && run export "$PDB" export "$DB" "$WORK/exp"
  fresh tara && run tarxarchive tar -C "$WORK/tara" -xf "$WORK/archive.tar"
  fresh taras && run tarxarchivesync sh -c 'tar -C "$1" -xf "$2" && sync -f "$1"' sh "$WORK/taras" "$WORK/archive.tar"
  fresh arc && run archive "$PDB" archive "$DB" "$WORK/arc"
  run readarchive find "$WORK/arcref" -type f -exec cat {} +
  rm -f "$WORK/back.pdb" && run unarchive "$PDB" unarchive "$WORK/arcref" "$WORK/back.pdb"
done
cmp -s "$DB" "$WORK/resaved.pdb" || { echo "resave is NOT byte-identical" >&2; exit 1; }
cmp -s "$DB" "$WORK/back.pdb" || { echo "unarchive is NOT byte-identical" >&2; exit 1; }
diff -r "$WORK/arc" "$WORK/arcref" >/dev/null || { echo "archive differs between runs" >&2; exit 1; }

# 32,767 notes: fewer repetitions, each takes seconds.
BIGREPS=$(((REPS + 1) / 2))
cat "$BIG" >/dev/null
for ((i = 0; i < BIGREPS; ++i)); do
  fresh tarx && run bigtarx tar -C "$WORK/tarx" -xf "$WORK/bigfiles.tar"
  fresh exp && run bigexport "$PDB" export "$BIG" "$WORK/exp"
  fresh tara && run bigtarxarchive tar -C "$WORK/tara" -xf "$WORK/bigarchive.tar"
  fresh arc && run bigarchive "$PDB" archive "$BIG" "$WORK/arc"
  run bigreadarchive find "$WORK/bigarcref" -type f -exec cat {} +
  rm -f "$WORK/back.pdb" && run bigunarchive "$PDB" unarchive "$WORK/bigarcref" "$WORK/back.pdb"
done
cmp -s "$BIG" "$WORK/back.pdb" || { echo "unarchive of 32,767 notes is NOT byte-identical" >&2; exit 1; }
rm -rf "$WORK/tarx" "$WORK/tarxs" "$WORK/tara" "$WORK/taras" "$WORK/exp" "$WORK/arc"

# PNG size: each exported picture again through netpbm (the same pixels, pnmtopng's
# defaults), against the exported and the archived files.
pngs() { find "$1" -name '*.png' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }
NETPBM=0
for f in "$WORK"/ref/*.png; do
  NETPBM=$((NETPBM + $(pngtopnm "$f" | pnmtopng | wc -c)))
done
EXPORTPNG=$(pngs "$WORK/ref")
ARCHIVEPNG=$(pngs "$WORK/arcref")
PICTURES=$(find "$WORK/ref" -name '*.png' | wc -l)

echo "file: $SIZE bytes, 5000 notes; $REPS repetitions; medians"
printf "%-34s %9s %9s %9s %9s %10s\n" "pair" "wall s" "ratio" "cpu s" "ratio" "target"
pair() { # label tool baseline target
  local tw bw tc bc
  tw=$(median "$WORK/r.$2" 1); bw=$(median "$WORK/r.$3" 1)
  tc=$(median "$WORK/r.$2" 2); bc=$(median "$WORK/r.$3" 2)
  printf "%-34s %9s %9s %9s %9s %10s\n" "$1: $2" "$tw" "" "$tc" "" ""
  printf "%-34s %9s %9.2f %9s %9.2f %10s\n" "    vs $3" "$bw" \
    "$(awk -v a="$tw" -v b="$bw" 'BEGIN { print (b > 0 ? a / b : 0) }')" "$bc" \
    "$(awk -v a="$tc" -v b="$bc" 'BEGIN { print (b > 0 ? a / b : 0) }')" "$4"
}
# The same without the program's own start (loading Qt for the print command), which
# quillary-pdb --help measures.
net() { # label tool baseline target
  local tc bc hc
  tc=$(median "$WORK/r.$2" 2); bc=$(median "$WORK/r.$3" 2); hc=$(median "$WORK/r.help" 2)
  awk -v l="$1" -v t="$tc" -v b="$bc" -v h="$hc" -v g="$4" 'BEGIN {
    printf "%-34s cpu %.3f s after start %.3f s vs %.3f s: %.2f x  %s\n", l, t, t - h, b,
      (b > 0 ? (t - h) / b : 0), g }'
}
pair "open" open cat "<= 1.2x"
pair "resave" resave cpsync "<= 1.5x"
pair "info" info cat "<= 2x"
pair "export" export tarx "<= 1.5x"
pair "export" export tarxsync "(synced)"
pair "archive" archive tarxarchive "<= 2x"
pair "archive" archive tarxarchivesync "(synced)"
pair "unarchive" unarchive readarchive "<= 2x"
net "open (net)" open cat "<= 1.2x"
net "resave (net)" resave cpsync "<= 1.5x"
net "info (net)" info cat "<= 2x"
base=$(median "$WORK/r.help" 3)
for what in resave info; do
  peak=$(median "$WORK/r.$what" 3)
  awk -v w="$what" -v p="$peak" -v b="$base" -v f="$KB" 'BEGIN {
    printf "memory %-8s peak %d KB, baseline %d KB: %.2f x the file above baseline (target <= 1.3)\n",
      w, p, b, (p - b) / f }'
done
awk -v n="$PICTURES" -v e="$EXPORTPNG" -v a="$ARCHIVEPNG" -v p="$NETPBM" 'BEGIN {
  printf "PNG size, %d pictures: export %d bytes, archive %d bytes, pnmtopng %d bytes: %.3f x and %.3f x (target <= 1)\n",
    n, e, a, p, e / p, a / p }'
echo
echo "file: $BIGSIZE bytes, 32767 notes; $BIGREPS repetitions; medians"
printf "%-34s %9s %9s %9s %9s %10s\n" "pair" "wall s" "ratio" "cpu s" "ratio" "target"
pair "export" bigexport bigtarx "<= 1.5x"
pair "archive" bigarchive bigtarxarchive "<= 2x"
pair "unarchive" bigunarchive bigreadarchive "<= 2x"
