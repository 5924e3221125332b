#!/usr/bin/env bash
# Runs every libFuzzer target a few seconds from its checked-in corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash fuzz/run.sh "${TEMPINEX_FUZZ_SECONDS:-5}"
