# shellcheck shell=sh
# The settings every Wine command of ours runs with; sourced by each script
# that starts Wine (sh or bash), so they cannot drift apart.
#   WINEDEBUG=-all          Wine's debug channels would bury our own output.
#   WINEDLLOVERRIDES        no Mono or Gecko: nothing here needs them, and
#                           their install prompts would stall a headless run.
#   WINEARCH=win64          only 64-bit programs run here.
#   TZ=UTC                  file times and logs read the same on every machine.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 TZ=UTC
