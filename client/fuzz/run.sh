#!/usr/bin/env bash
# Builds and runs the round trip of the command-line builder through
# paperchk's parser (libFuzzer, ASan, UBSan), with the project's fuzz runner:
#   client/fuzz/run.sh [SECONDS [LIBFUZZER-OPTION...]]        (default 600)
# The kept corpus (client/fuzz/corpus) is copied to build/fuzz/round-trip/
# corpus, where new inputs accumulate; failing inputs go to
# client/fuzz/findings/.
set -euo pipefail
exec bash "$(dirname "${BASH_SOURCE[0]}")/../../fuzz/run.sh" round-trip "$@"
