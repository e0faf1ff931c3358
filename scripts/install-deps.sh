#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tarifon need.
# Idempotent: does nothing when every package is present; refreshes the package
# lists only when something has to be installed.  `--check` only reports.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
  # The server program that tests start as a private process; its system service is not used.
  firebird3.0-server
  libjpeg62-turbo-dev
  # The PNG that the terminal simulator draws.
  zlib1g-dev
  # TIFF pictures (GIF and ICO come with Qt itself).
  qt6-image-formats-plugins
  # Qt's own texts (file dialogs, standard buttons) in Portuguese and English.
  qt6-translations-l10n
  # Asio, and HTTP and WebSocket for the web side (Beast), header-only.
  libboost1.81-dev
  # sd_notify: readiness and the watchdog's pings as a service.
  libsystemd-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # The .deb: its library dependencies and the icon's PNG sizes; the check of its
  # systemd unit (systemd-analyze; no service is started).
  dpkg-dev librsvg2-bin systemd
  # The browser tests: headless Chromium driven by Selenium (Debian's, no downloads).
  chromium chromium-driver python3-selenium
  # The sanitizer suite and the fuzzers: clang with its sanitizer and libFuzzer runtimes.
  clang libclang-rt-14-dev
  # promtool, which checks the metrics page (the tests skip that check without it).
  prometheus
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${1:-}" = "--check" ]; then
  if [ ${#missing[@]} -gt 0 ]; then
    echo "missing packages: ${missing[*]}" >&2
    exit 1
  fi
  exit 0
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Keep services (Firebird's among them) from starting while the packages install:
# tests start a private server of their own and need no system one beside it.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  trap '$sudo rm -f "$policy"' EXIT
fi
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
