# Sourced by the scripts that run the Windows build under Wine (and by ./check):
# a private Wine prefix that never waits on a dialog, and a time limit for
# every Wine run.
#
#   wine_prefix DIR                 makes a fresh prefix in DIR and exports it
#   wine_limit SECONDS NAME CMD...  runs CMD; if it has not ended after SECONDS,
#                                   ends it and everything else in the prefix,
#                                   says on stderr that NAME hung, returns 124
#   wine_end                        ends whatever still runs in the prefix

# The hang reports go to the stderr the script started with, whatever the
# caller redirects for the run itself.
exec {wine_report}>&2

wine_limit() {
  local seconds=$1 name=$2
  shift 2
  # In the caller's process group, so a Ctrl+C reaches it; on time-out every
  # Wine process of the prefix is ended with it.
  timeout --foreground -k 10 "$seconds" "$@"
  local code=$?
  if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
    wine_end
    echo "$name: hung: no end after $seconds s under Wine; ended it" >&"$wine_report"
    return 124
  fi
  return "$code"
}

wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  wine_limit 300 "wineboot -i" wineboot -i >/dev/null 2>&1 || {
    echo "wineboot -i could not make a prefix in $WINEPREFIX" >&"$wine_report"
    return 1
  }
  # A program that crashes dies with winedbg's backtrace on stderr, instead of
  # waiting for someone to close the crash dialog.
  wine_limit 120 "reg add" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || {
    echo "cannot turn off the crash dialog in $WINEPREFIX" >&"$wine_report"
    return 1
  }
}

wine_end() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1  # this prefix only
  return 0
}
