#!/usr/bin/env bash
# scripts/setup.sh against stand-in apt-get, dpkg and dpkg-query commands on
# PATH (nothing is installed): what it asks for, its exit status and the one
# line it says, for one machine and package server at a time:
#   setup_test.sh index-fails-once | index-always-fails | wine32-uninstallable
#                 | kernel-runs-no-32bit | needed-package-uninstallable
set -uo pipefail
case_name=$1
setup=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/setup.sh
if [[ $EUID -ne 0 ]]; then
  echo "skipped: set-up installs only as root"
  exit 77
fi

stand_ins=$(mktemp -d)
trap 'rm -rf "$stand_ins"' EXIT
calls=$stand_ins/calls

# Nothing is installed and no foreign architecture is known. apt-get fails
# the way a package server does: 'update' for the first FAIL_UPDATES calls,
# an install naming an uninstallable package.
cat >"$stand_ins/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
exit 1
STANDIN
cat >"$stand_ins/dpkg" <<'STANDIN'
#!/usr/bin/env bash
echo "dpkg $*" >>"$CALLS"
STANDIN
cat >"$stand_ins/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "apt-get $*" >>"$CALLS"
if [[ $1 == update ]]; then
  count=$(grep -c '^apt-get update' "$CALLS")
  if ((count <= FAIL_UPDATES)); then
    echo "E: Failed to fetch .../binary-i386/Packages  File has unexpected size (1234 != 1235). Mirror sync in progress?"
    exit 100
  fi
  exit 0
fi
for package in "$@"; do
  if [[ -n $UNINSTALLABLE && $package == "$UNINSTALLABLE" ]]; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
STANDIN
chmod +x "$stand_ins"/*

failures=0
expect() {  # expect DESCRIPTION COMMAND...
  if "${@:2}"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}

run_setup() {  # run_setup KERNEL_RUNS_32BIT FAIL_UPDATES UNINSTALLABLE
  : >"$calls"
  status=0
  said=$(PATH=$stand_ins:$PATH CALLS=$calls PAPERCHK_KERNEL_RUNS_32BIT=$1 FAIL_UPDATES=$2 UNINSTALLABLE=$3 \
         PAPERCHK_SETUP_UPDATE_PAUSE=0 bash "$setup" 2>&1) || status=$?
  printf 'set-up said:\n%s\n(exit status %d)\n' "$said" "$status"
  # Every line but the first ("setup: installing ...").
  report=$(tail -n +2 <<<"$said")
}

asked_to_install() { grep '^apt-get install' "$calls" | grep -q -- " $1\( \|$\)"; }
updates() { grep -c '^apt-get update' "$calls"; }

case $case_name in
  index-fails-once)
    run_setup 1 1 ""
    expect "exit status 0" test "$status" -eq 0
    expect "nothing said past the install line" test -z "$report"
    expect "the index asked for again" test "$(updates)" -eq 2
    expect "the i386 architecture added" grep -qx 'dpkg --add-architecture i386' "$calls"
    expect "wine32:i386 asked for" asked_to_install wine32:i386
    ;;
  index-always-fails)
    run_setup 1 99 ""
    expect "exit status 0" test "$status" -eq 0
    expect "three tries" test "$(updates)" -eq 3
    expect "one line, saying set-up goes on without new indexes" \
      grep -qx 'setup: the package indexes could not be updated (3 tries; E: Failed to fetch .*); going on with the indexes this machine has' <<<"$report"
    expect "only that line" test "$(wc -l <<<"$report")" -eq 1
    expect "the packages installed all the same" asked_to_install wine64
    ;;
  wine32-uninstallable)
    run_setup 1 0 wine32:i386
    expect "exit status 0" test "$status" -eq 0
    expect "one line, naming wine32:i386 and win64" \
      test "$report" = "setup: wine32:i386 cannot be installed here (E: Unable to correct problems, you have held broken packages.); the Windows tests and the demo run from win64"
    expect "the rest installed without it" \
      grep -q '^apt-get install .* wine64 .*fonts-vlgothic$' "$calls"
    ;;
  kernel-runs-no-32bit)
    run_setup 0 0 ""
    expect "exit status 0" test "$status" -eq 0
    expect "nothing said past the install line" test -z "$report"
    expect "wine32:i386 never asked for" bash -c "! grep -q 'wine32' '$calls'"
    expect "no i386 architecture added" bash -c "! grep -q 'add-architecture' '$calls'"
    expect "64-bit Wine asked for" asked_to_install wine64
    ;;
  needed-package-uninstallable)
    run_setup 0 0 xvfb
    expect "exit status 1" test "$status" -eq 1
    expect "one line, naming the package" \
      test "$report" = "setup: cannot install xvfb, which this machine needs: E: Unable to correct problems, you have held broken packages."
    ;;
  *)
    echo "setup_test.sh: unknown case '$case_name'" >&2
    exit 2
    ;;
esac
((failures == 0))
