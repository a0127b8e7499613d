#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks that everything a desktop needs is
# there: the programs, the manual next to the program, the menu entry and its icon.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for f in bin/quillary bin/quillary-pdb bin/quillary-hotsync bin/quillary-sync \
         libexec/quillary/quillary-pdb-qt lib/systemd/user/quillary-sync.service \
         share/doc/quillary/QuillaryManual.pdf \
         share/applications/quillary.desktop share/icons/hicolor/scalable/apps/quillary.svg; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -x "$prefix/bin/quillary" ] || { echo "quillary is not executable"; exit 1; }
grep -q '^Exec=quillary %f$' "$prefix/share/applications/quillary.desktop"
grep -q '^Icon=quillary' "$prefix/share/applications/quillary.desktop"
head -c 4 "$prefix/share/doc/quillary/QuillaryManual.pdf" | grep -q '%PDF'
echo "1 passed, 0 failed"
