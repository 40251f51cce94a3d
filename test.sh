#!/usr/bin/env bash
# Instala lo que falte, compila y corre todas las pruebas.
source "$(dirname "$0")/scripts/common.sh"
install_missing
build_all
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$BUILD/tests/xdg}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD"
ctest --output-on-failure -j2 --timeout 600 -LE pg "$@"

# The data layer's, documents', payments' and reports' tests once more against a PostgreSQL
# server of their own.
with_test_postgres ctest --output-on-failure -j2 --timeout 600 -L pg "$@"

# The core's tests once more under AddressSanitizer and UBSan.
build_sanitized
export_sanitizer_options
cd "$SANITIZE_BUILD"
ctest --output-on-failure -j2 --timeout 600 -LE pg "$@"
