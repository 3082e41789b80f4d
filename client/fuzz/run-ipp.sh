#!/usr/bin/env bash
# Builds and runs the IPP source's decoder and comparison under libFuzzer
# (ASan, UBSan), with the project's fuzz runner:
#   client/fuzz/run-ipp.sh [SECONDS [LIBFUZZER-OPTION...]]        (default 600)
# The kept corpus (client/fuzz/ipp-corpus: responses of ippeveprinter) is
# copied to build/fuzz/ipp/corpus; failing inputs go to client/fuzz/findings/.
set -euo pipefail
exec bash "$(dirname "${BASH_SOURCE[0]}")/../../fuzz/run.sh" ipp "$@"
