#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a fuzzer once over every input of its corpus folder, as a test:
#
#     replay-corpus.sh FUZZER MAX_LEN CORPUS_FOLDER
#
# No exploring: the same inputs every time, so a failure here is a fault that an input of
# the corpus shows, never one found by chance. A target without a corpus fails.
set -euo pipefail
fuzzer="$1" max_len="$2" corpus="$3"
mapfile -d '' inputs < <(find "$corpus" -type f -print0 2> /dev/null | sort -z)
if [ "${#inputs[@]}" -eq 0 ]; then
  echo "$corpus: no inputs; every fuzzer keeps its seeds there." >&2
  exit 1
fi
echo "Replaying ${#inputs[@]} inputs of $corpus"
exec "$fuzzer" -max_len="$max_len" -rss_limit_mb=2048 -timeout=30 "${inputs[@]}"
