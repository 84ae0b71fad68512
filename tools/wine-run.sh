#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine: quiet, and bounded in time
# (KX_WINE_TIMEOUT seconds, 300 by default). Set WINEPREFIX to a prefix of your own
# (tools/windows.sh makes a temporary one).
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
exec timeout --kill-after=10 "${KX_WINE_TIMEOUT:-300}" wine "$@"
