#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test and run KX_VELDRAN; with --windows
# also those of the Windows cross-build and its run under Wine (tools/windows.sh).
set -euo pipefail
PACKAGES=(
    build-essential cmake ninja-build pkg-config file help2man  # file: CPack's dpkg-shlibdeps
    libgtest-dev libbenchmark-dev libcli11-dev
    libpq-dev postgresql                                        # serial numbers shared by stations; its test's server
    clang libclang-rt-dev                                       # tools/fuzz.sh
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libudev-dev libasound2-dev
    xvfb xauth fonts-noto-cjk fonts-droid-fallback              # a window without a display; Chinese
    poppler-utils                                               # the manual's test reads its PDFs
    desktop-file-utils x11-utils                                # tools/check_installed.sh
)
if [[ ${1:-} == --windows ]]; then
    PACKAGES+=(g++-mingw-w64-x86-64-posix googletest wine wine64 zip unzip)
fi
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
