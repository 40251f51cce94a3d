# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUINTALEVA_BUILD:-$ROOT/build}
SANITIZE_BUILD=${QUINTALEVA_SANITIZE_BUILD:-$ROOT/build-asan}

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libsqlite3-dev libjpeg-dev libgif-dev libpng-dev mdbtools-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fontconfig fonts-dejavu-core fonts-liberation
  poppler-utils xvfb xauth sqlite3
  libssl-dev libxml2-dev openssl xsltproc libxml2-utils
  libpq-dev postgresql
  libcurl4-openssl-dev nlohmann-json3-dev ca-certificates
  libqrencode-dev zbar-tools
  dpkg-dev lintian appstream
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Instalando paquetes: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_all() {
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j2
}

# The core and its tests a second time, with AddressSanitizer and UBSan at -O1, in their own
# folder: no screens, no programs, no benchmarks. The byte readers' mutation runs live here.
build_sanitized() {
  cmake -S "$ROOT" -B "$SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUINTALEVA_SANITIZE=ON -DQUINTALEVA_UI=OFF -DQUINTALEVA_BENCH=OFF >/dev/null
  cmake --build "$SANITIZE_BUILD" -j2
}

# Sanitizer reports end the test that caused them, with a stack.
export_sanitizer_options() {
  export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
}

# Puts the program in the desktop's menu of the user who builds it.
install_desktop_entry() {
  local apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
  local icons="${XDG_DATA_HOME:-$HOME/.local/share}/icons/hicolor/128x128/apps"
  mkdir -p "$apps" "$icons" 2>/dev/null || return 0
  cp "$ROOT/resources/images/quintaleva.png" "$icons/quintaleva.png" 2>/dev/null || true
  sed -e "s|@EXEC@|$BUILD/quintaleva|" -e "s|@ICON@|quintaleva|" \
    "$ROOT/resources/quintaleva.desktop.in" > "$apps/quintaleva.desktop" 2>/dev/null || true
}

# A throw-away PostgreSQL cluster for the tests against a server: initdb in a temporary folder
# owned by an unprivileged user (the server refuses root), its socket in that folder, a free port,
# nothing listening on the network. Runs "$@" with QUINTALEVA_TEST_PG naming the cluster, and
# stops the server whatever happens.
with_test_postgres() {
  local bin=/usr/lib/postgresql/15/bin
  local dir port user=nobody group=nogroup status=0
  dir=$(mktemp -d /tmp/qv-pg-XXXXXX)
  local as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown "$user:$group" "$dir"
    as=(setpriv --reuid="$user" --regid="$group" --clear-groups)
  else
    user=$(id -un)
  fi
  chmod 700 "$dir"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  (
    trap '"${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
    # A run that is interrupted or killed still stops its server: the signals end the shell through EXIT.
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    "${as[@]}" "$bin/initdb" -D "$dir/data" -U "$user" -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log"; exit 1; }
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "-k $dir -p $port -c listen_addresses='' -c fsync=off -c max_connections=60" start >/dev/null \
      || { cat "$dir/server.log"; exit 1; }
    export QUINTALEVA_TEST_PG="postgresql:///postgres?host=$dir&port=$port&user=$user"
    "$@"
  ) || status=$?
  return $status
}
