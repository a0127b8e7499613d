#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer rule of src/, checked on every include line. This script is where the rule
# lives; docs/ARCHITECTURE.md explains it.
#
# Usage: tests/layers/check-layers.sh [ROOT]     check ROOT/src (default: this repository)
#        tests/layers/check-layers.sh --self-test
#
# A folder may include its own headers and those of folders below it, never one above it,
# and never a sibling on its own level. storage and sync hold standard C++ only (no Qt
# header at all); core, syncservice, print and session have no widgets (no Qt Widgets or Qt
# PrintSupport header). src/main.cpp sits on top and may include anything. Each fault is
# one line "FILE:LINE: ..."; the exit status is 1 when there is any.
set -euo pipefail

# The layers from the bottom up. Folders named in one entry are siblings: same height,
# and neither may include the other.
LAYERS=(storage sync core syncservice print session "draw shell" mainwindow printwindows dialogs)

# Folders that must not see Qt at all, and folders that must not see widgets.
NO_QT=(storage sync)
NO_WIDGETS=(core syncservice print session)

# Widget and print-support class headers as they are usually included (<QLabel>); the
# <QtWidgets/...> and <QtPrintSupport/...> forms are caught whatever follows. QAction,
# QShortcut and QUndoStack are Qt Gui in Qt 6, so they are allowed.
WIDGET_HEADERS='QAbstractButton|QAbstractItemDelegate|QAbstractItemView|QAbstractScrollArea|QAbstractSlider|QAbstractSpinBox|QApplication|QBoxLayout|QButtonGroup|QCalendarWidget|QCheckBox|QColorDialog|QColumnView|QComboBox|QCommandLinkButton|QCompleter|QDataWidgetMapper|QDateEdit|QDateTimeEdit|QDial|QDialog|QDialogButtonBox|QDockWidget|QDoubleSpinBox|QErrorMessage|QFileDialog|QFileSystemModel|QFocusFrame|QFontComboBox|QFontDialog|QFormLayout|QFrame|QGesture|QGraphicsItem|QGraphicsScene|QGraphicsView|QGridLayout|QGroupBox|QHBoxLayout|QHeaderView|QInputDialog|QItemDelegate|QKeySequenceEdit|QLCDNumber|QLabel|QLayout|QLayoutItem|QLineEdit|QListView|QListWidget|QMainWindow|QMdiArea|QMdiSubWindow|QMenu|QMenuBar|QMessageBox|QPageSetupDialog|QPlainTextEdit|QPrintDialog|QPrintEngine|QPrintPreviewDialog|QPrintPreviewWidget|QPrinter|QPrinterInfo|QProgressBar|QProgressDialog|QPushButton|QRadioButton|QRubberBand|QScrollArea|QScrollBar|QScroller|QSizeGrip|QSizePolicy|QSlider|QSpacerItem|QSpinBox|QSplashScreen|QSplitter|QStackedLayout|QStackedWidget|QStatusBar|QStyle|QStyleFactory|QStyleOption[A-Za-z]*|QStylePainter|QStyledItemDelegate|QSystemTrayIcon|QTabBar|QTabWidget|QTableView|QTableWidget|QTextBrowser|QTextEdit|QTimeEdit|QToolBar|QToolBox|QToolButton|QToolTip|QTreeView|QTreeWidget|QUndoView|QVBoxLayout|QWhatsThis|QWidget|QWidgetAction|QWizard|QWizardPage|QtWidgets|QtPrintSupport'

in_list() {
  local want="$1"; shift
  local x
  for x in "$@"; do [ "$x" = "$want" ] && return 0; done
  return 1
}

# The height of a folder in LAYERS, or nothing when it is not a layer.
declare -A HEIGHT=()
for i in "${!LAYERS[@]}"; do
  for f in ${LAYERS[$i]}; do HEIGHT[$f]=$i; done
done

# Prints the faults of ROOT/src, paths relative to ROOT; returns 1 when there are any.
check_tree() {
  local root="$1" faults=0 file rel folder here line num text target theirs
  if [ ! -d "$root/src" ]; then
    echo "no src folder in $root"
    return 2
  fi
  while IFS= read -r -d '' file; do
    rel="${file#"$root"/}"
    folder="${rel#src/}"
    if [ "$folder" = "${folder%%/*}" ]; then
      folder=""                     # a file directly in src/ (main.cpp): the top
    else
      folder="${folder%%/*}"
    fi
    if [ -n "$folder" ] && [ -z "${HEIGHT[$folder]+x}" ]; then
      echo "$rel:1: folder src/$folder is not in the layer order of tests/layers/check-layers.sh"
      faults=1
      continue
    fi
    here="${#LAYERS[@]}"
    [ -z "$folder" ] || here="${HEIGHT[$folder]}"
    num=0
    while IFS= read -r line || [ -n "$line" ]; do
      num=$((num + 1))
      [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
      text="${BASH_REMATCH[2]}"
      if [ "${BASH_REMATCH[1]}" = '"' ] && [[ "$text" == */* ]]; then
        target="${text%%/*}"
        if [ -n "${HEIGHT[$target]+x}" ] && [ "$target" != "$folder" ] && [ -n "$folder" ]; then
          theirs="${HEIGHT[$target]}"
          if [ "$theirs" -gt "$here" ]; then
            echo "$rel:$num: $folder includes $text, but $target is above $folder"
            faults=1
          elif [ "$theirs" -eq "$here" ]; then
            echo "$rel:$num: $folder includes $text, but $target and $folder are siblings"
            faults=1
          fi
        fi
        continue
      fi
      [ "${BASH_REMATCH[1]}" = '<' ] || continue
      if in_list "$folder" "${NO_QT[@]}" &&
         [[ "$text" =~ ^(Q[A-Za-z]|q[a-z0-9_]*\.h$) ]]; then
        echo "$rel:$num: $folder includes the Qt header <$text>, but $folder is standard C++ only"
        faults=1
      elif in_list "$folder" "${NO_WIDGETS[@]}" &&
           [[ "$text" =~ ^($WIDGET_HEADERS)(/.*)?$ ]]; then
        echo "$rel:$num: $folder includes the widget header <$text>, but $folder has no widgets"
        faults=1
      fi
    done < "$file"
  done < <(find "$root/src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \
                                      -o -name '*.cc' -o -name '*.in' \) -print0 | sort -z)
  return "$faults"
}

self_test() {
  local out status expected
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  # A tree that keeps the rule, with every kind of include the program uses.
  plant() {
    local r="$1" f
    for f in storage sync core print session draw shell mainwindow printwindows dialogs; do
      mkdir -p "$r/src/$f"
    done
    printf '#include "storage/Db.h"\n#include <string>\n' > "$r/src/storage/Db.cpp"
    printf '#pragma once\n#include <vector>\n' > "$r/src/storage/Db.h"
    printf '#include "storage/Db.h"\n#include "sync/Dlp.h"\n' > "$r/src/sync/Dlp.cpp"
    : > "$r/src/sync/Dlp.h"
    printf '#include "storage/Db.h"\n#include <QString>\n#include <QAction>\n' > "$r/src/core/Settings.h"
    printf '#include "core/Settings.h"\n#include <QPagedPaintDevice>\n#include <QPainter>\n' > "$r/src/print/Engine.h"
    printf '#include "print/Engine.h"\n#include "sync/Dlp.h"\n#include <QUndoStack>\n' > "$r/src/session/Session.h"
    printf '#include "session/Session.h"\n#include <QWidget>\n' > "$r/src/draw/Box.h"
    printf '#include "core/Settings.h"\n#include <QtWidgets/QDialog>\n' > "$r/src/shell/Guard.h"
    printf '#include "draw/Box.h"\n#include "shell/Guard.h"\n' > "$r/src/mainwindow/Main.h"
    printf '#include "mainwindow/Main.h"\n#include <QPrinter>\n' > "$r/src/printwindows/Preview.h"
    printf '#include "printwindows/Preview.h"\n  #  include "dialogs/Hooks.h"\n' > "$r/src/dialogs/Hooks.h"
    printf '#include "dialogs/Hooks.h"\n#include "QuillaryVersion.h"\n' > "$r/src/main.cpp"
  }
  plant "$scratch/ok"
  plant "$scratch/bad"
  # One upward include and one widget header in core, among lines that are fine.
  printf '#include "storage/Db.h"\n#include "session/Session.h"\n#include <QString>\n#include <QLabel>\n' \
    > "$scratch/bad/src/core/Settings.h"

  if ! out="$(check_tree "$scratch/ok")"; then
    echo "FAIL: a tree that keeps the rule was refused:"
    echo "$out"
    return 1
  fi
  status=0
  out="$(check_tree "$scratch/bad")" || status=$?
  expected='src/core/Settings.h:2: core includes session/Session.h, but session is above core
src/core/Settings.h:4: core includes the widget header <QLabel>, but core has no widgets'
  if [ "$status" -ne 1 ] || [ "$out" != "$expected" ]; then
    echo "FAIL: the planted faults gave status $status and:"
    echo "$out"
    echo "expected status 1 and:"
    echo "$expected"
    return 1
  fi
  # The other kinds: siblings including each other, Qt in the standard C++ layers.
  plant "$scratch/more"
  printf '#include "shell/Guard.h"\n' >> "$scratch/more/src/draw/Box.h"
  printf '#include <QByteArray>\n' >> "$scratch/more/src/storage/Db.h"
  printf '#include <qglobal.h>\n' >> "$scratch/more/src/sync/Dlp.h"
  status=0
  out="$(check_tree "$scratch/more")" || status=$?
  expected='src/draw/Box.h:3: draw includes shell/Guard.h, but shell and draw are siblings
src/storage/Db.h:3: storage includes the Qt header <QByteArray>, but storage is standard C++ only
src/sync/Dlp.h:1: sync includes the Qt header <qglobal.h>, but sync is standard C++ only'
  if [ "$status" -ne 1 ] || [ "$out" != "$expected" ]; then
    echo "FAIL: the planted sibling and Qt includes gave status $status and:"
    echo "$out"
    echo "expected status 1 and:"
    echo "$expected"
    return 1
  fi
  echo "self-test passed"
}

if [ "${1:-}" = --self-test ]; then
  self_test
  exit $?
fi
root="${1:-$(dirname "$0")/../..}"
root="$(cd "$root" && pwd)"
if check_tree "$root"; then
  echo "src/ keeps the layer order: ${LAYERS[*]}"
else
  exit 1
fi
