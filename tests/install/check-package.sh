#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with cpack, unpacks it into a scratch root and checks what a
# desktop and a person need: programs, manual, man pages, menu entry, icons, AppStream
# metadata, MIME type, bash completion, and Qt runtime (never -dev) dependencies; and what
# Debian needs: lintian finds no error or warning (an override only with its reason), and
# the programs, the changelog and the AppStream release all name the package's version.
# Without lintian (and QUILLARY_REQUIRE_TOOLS unset) the rest is checked and the test ends
# as skipped (exit 77).
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The programs are built by the build itself; cpack only installs and packs them.
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/*.deb)
[ "$(echo "$deb" | wc -l)" -eq 1 ] || fail "expected one package, got: $deb"

info="$(dpkg-deb --info "$deb")"
echo "$info" | grep -q '^ Package: quillary$' || fail "package name"
depends="$(dpkg-deb --field "$deb" Depends)"
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6dbus6 libqt6svg6 \
           libqt6network6; do
  echo "$depends" | grep -Eq "(^|, )$lib( |,|$)" || fail "Depends lacks $lib"
done
if echo "$depends" | grep -q -- '-dev'; then fail "Depends names a -dev package"; fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
u="$root/usr"
for f in bin/quillary bin/quillary-pdb bin/quillary-hotsync bin/quillary-sync \
         lib/systemd/user/quillary-sync.service \
         share/doc/quillary/QuillaryManual.pdf \
         share/applications/quillary.desktop \
         share/metainfo/org.quillary.Quillary.metainfo.xml \
         share/mime/packages/quillary.xml \
         share/icons/hicolor/scalable/apps/quillary.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-quillary-notes.svg \
         share/bash-completion/completions/quillary-pdb \
         share/bash-completion/completions/quillary-hotsync \
         share/bash-completion/completions/quillary-sync \
         share/man/man1/quillary.1.gz share/man/man1/quillary-pdb.1.gz \
         share/man/man1/quillary-hotsync.1.gz share/man/man1/quillary-sync.1.gz; do
  [ -e "$u/$f" ] || fail "missing in the package: /usr/$f"
done
for p in quillary quillary-pdb quillary-hotsync quillary-sync; do
  [ -x "$u/bin/$p" ] || fail "$p is not executable"
done
# The network HotSync service: a user unit that starts the packaged program, installed
# disabled (the package enables nothing; a person does, with systemctl --user).
unit="$u/lib/systemd/user/quillary-sync.service"
grep -qx 'ExecStart=quillary-sync' "$unit" || fail "the unit does not start quillary-sync"
grep -qx 'WantedBy=default.target' "$unit" || fail "the unit cannot be enabled for a login"
if find "$root" -path '*/systemd/*' -name '*.wants' | grep -q .; then
  fail "the package enables a unit"
fi
for script in postinst preinst; do
  if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -q "$script"; then
    fail "the package has a $script script (it must not enable the service)"
  fi
done
if command -v systemd-analyze > /dev/null; then
  # systemd finds quillary-sync in /usr/bin once installed; here the check is shown the
  # packaged program by its full path in a copy of the unit.
  mkdir -m 700 "$scratch/run" "$scratch/units"
  sed "s|^ExecStart=quillary-sync|ExecStart=$u/bin/quillary-sync|" "$unit" \
    > "$scratch/units/quillary-sync.service"
  XDG_RUNTIME_DIR="$scratch/run" systemd-analyze verify --user --man=no \
    "$scratch/units/quillary-sync.service" > "$scratch/unit.err" 2>&1 ||
    { cat "$scratch/unit.err"; fail "systemd-analyze verify"; }
  if [ -s "$scratch/unit.err" ]; then cat "$scratch/unit.err"; fail "systemd-analyze warns"; fi
fi
head -c 4 "$u/share/doc/quillary/QuillaryManual.pdf" | grep -q '%PDF' || fail "manual is no PDF"

# Icons: a PNG of each size, really that size.
for s in 16 32 48 64 128 256; do
  for png in "$u/share/icons/hicolor/${s}x${s}/apps/quillary.png" \
             "$u/share/icons/hicolor/${s}x${s}/mimetypes/application-x-quillary-notes.png"; do
    [ -e "$png" ] || fail "missing icon $png"
    python3 - "$png" "$s" <<'PY' || fail "$png is not a ${s}x${s} PNG"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR"
w, h = struct.unpack(">II", data[16:24])
assert w == h == int(sys.argv[2]), (w, h)
PY
  done
done

# Desktop entry and metadata as the desktop's own tools read them.
desktop="$u/share/applications/quillary.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -q '^Exec=quillary %f$' "$desktop" || fail "Exec does not take a file"
grep -q '^MimeType=application/x-quillary-notes;$' "$desktop" || fail "MimeType"
grep -q '^Icon=quillary$' "$desktop" || fail "Icon"
appstreamcli validate --no-net "$u/share/metainfo/org.quillary.Quillary.metainfo.xml" ||
  fail "appstreamcli validate"

# The MIME type: the shared-mime-info compiler accepts it, and by its magic a notes
# database is told apart from another Palm database with the same extension.
mime="$scratch/mime"
mkdir -p "$mime/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$u/share/mime/packages/quillary.xml" \
   "$mime/mime/packages/"
update-mime-database "$mime/mime" > /dev/null 2>&1 || fail "update-mime-database"
grep -q '^application/x-quillary-notes' "$mime/mime/types" || fail "MIME type not compiled"
notes="$scratch/notes.pdb"; inserts="$scratch/inserts.pdb"
"$u/bin/quillary-pdb" new "$notes" > /dev/null
"$u/bin/quillary-pdb" new-inserts "$inserts" Snippets > /dev/null
# print, archive and unarchive run the helper from libexec; the rest never load Qt.
[ -x "$u/libexec/quillary/quillary-pdb-qt" ] || fail "missing /usr/libexec/quillary/quillary-pdb-qt"
if readelf -d "$u/bin/quillary-pdb" | grep -q 'libQt'; then fail "quillary-pdb links Qt"; fi
"$u/bin/quillary-pdb" print "$notes" "$scratch/notes.pdf" > /dev/null || fail "print from the package"
head -c 4 "$scratch/notes.pdf" | grep -q '%PDF' || fail "print made no PDF"
"$u/bin/quillary-pdb" archive "$notes" "$scratch/archive" > /dev/null || fail "archive from the package"
if command -v gio > /dev/null; then
  sniff() { XDG_DATA_DIRS="$mime" XDG_DATA_HOME="$mime/none" gio info -a standard::content-type "$1" |
              sed -n 's/.*standard::content-type: //p'; }
  [ "$(sniff "$notes")" = application/x-quillary-notes ] || fail "notes sniffed as $(sniff "$notes")"
  [ "$(sniff "$inserts")" != application/x-quillary-notes ] || fail "inserts sniffed as notes"
fi

# Man pages render, and say what --help says.
for p in quillary quillary-pdb quillary-hotsync quillary-sync; do
  page="$(LC_ALL=C MANWIDTH=200 man -l "$u/share/man/man1/$p.1.gz" 2> "$scratch/man.err" | col -b)"
  [ -s "$scratch/man.err" ] && { cat "$scratch/man.err"; fail "man $p warns"; }
  echo "$page" | grep -q "^NAME" || fail "man $p has no NAME"
  echo "$page" | grep -q "$p - " || fail "man $p has no summary"
  # Every option and command the help lists is in the man page.
  help="$("$u/bin/$p" --help)"
  for word in $(echo "$help" | sed -n 's/^  \([a-z-][a-z-]*\).*/\1/p'); do
    echo "$page" | grep -q -- "^ *$word" || fail "man $p lacks $word"
  done
done

# Bash completion scripts load and complete the commands.
for p in quillary-pdb quillary-hotsync quillary-sync; do
  bash -n "$u/share/bash-completion/completions/$p" || fail "completion $p: syntax"
done
got="$(bash -c '
  _init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]};
                       words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
  _filedir() { :; }
  source "$1"; source "${1%/*}/quillary-hotsync"; source "${1%/*}/quillary-sync"
  COMP_WORDS=(quillary-pdb ne); COMP_CWORD=1; _quillary_pdb; echo "${COMPREPLY[*]}"
  COMP_WORDS=(quillary-pdb print x.pdb out.pdf --p); COMP_CWORD=4; _quillary_pdb; echo "${COMPREPLY[*]}"
  COMP_WORDS=(quillary-hotsync a); COMP_CWORD=1; _quillary_hotsync; echo "${COMPREPLY[*]}"
  COMP_WORDS=(quillary-sync --o); COMP_CWORD=1; _quillary_sync; echo "${COMPREPLY[*]}"
' _ "$u/share/bash-completion/completions/quillary-pdb" 2>&1; true)"
echo "$got" | sed -n 1p | grep -qx 'new new-inserts' || fail "completion of commands: $got"
echo "$got" | sed -n 2p | grep -qx -- '--paper --portrait' || fail "completion of print options: $got"
echo "$got" | sed -n 3p | grep -qx 'after' || fail "completion of hotsync commands: $got"
echo "$got" | sed -n 4p | grep -qx -- '--once' || fail "completion of sync options: $got"
# One version everywhere: the package's, each program's --version, the newest changelog
# entry and the newest AppStream release.
version="$(dpkg-deb --field "$deb" Version)"
for p in bin/quillary bin/quillary-pdb bin/quillary-hotsync bin/quillary-sync \
         libexec/quillary/quillary-pdb-qt; do
  said="$("$u/$p" --version)" || fail "$p --version failed"
  [ "$said" = "${p##*/} $version" ] || fail "$p --version says \"$said\", the package is $version"
done
doc="$u/share/doc/quillary"
[ -f "$doc/copyright" ] || fail "missing /usr/share/doc/quillary/copyright"
sed -n 1p "$doc/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not machine-readable"
[ -f "$doc/changelog.gz" ] || fail "missing /usr/share/doc/quillary/changelog.gz"
zcat "$doc/changelog.gz" > "$scratch/changelog" || fail "changelog.gz is no gzip file"
logged="$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" || fail "dpkg-parsechangelog"
[ "$logged" = "$version" ] || fail "the newest changelog entry is $logged, the package $version"
released="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
            "$u/share/metainfo/org.quillary.Quillary.metainfo.xml" | head -n 1)"
[ "$released" = "$version" ] || fail "the newest AppStream release is $released, the package $version"

# Debian's own checker. An override must say why: each one follows a comment line (a
# blank line ends what the comment covers), and lintian must use every one.
overrides="$u/share/lintian/overrides/quillary"
[ -f "$overrides" ] || fail "missing /usr/share/lintian/overrides/quillary"
awk '/^#/ { reason = 1; next }
     /^[[:space:]]*$/ { reason = 0; next }
     !reason { print "override without a reason: " $0; bad = 1 }
     END { exit bad }' "$overrides" || fail "a lintian override gives no reason"
if command -v lintian > /dev/null; then
  status=0
  lintian --fail-on error,warning --display-info "$deb" > "$scratch/lintian.log" 2>&1 ||
    status=$?
  cat "$scratch/lintian.log"
  [ "$status" -eq 0 ] || fail "lintian reports errors or warnings (exit $status)"
  if grep -Eq '^[EW]: ' "$scratch/lintian.log"; then fail "lintian reports errors or warnings"; fi
  if grep -Eq '(unused|mismatched)-override' "$scratch/lintian.log"; then
    fail "a lintian override matches nothing"
  fi
elif [ "${QUILLARY_REQUIRE_TOOLS:-}" = 1 ]; then
  fail "lintian is not installed (scripts/install-deps.sh installs it)"
else
  echo "lintian is not installed: the package was checked without it"
  exit 77
fi
echo "1 passed, 0 failed"
