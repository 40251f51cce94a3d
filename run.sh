#!/usr/bin/env bash
# Instala lo que falte, compila y abre Quintaleva 2.
source "$(dirname "$0")/scripts/common.sh"
install_missing
build_all
install_desktop_entry
exec "$BUILD/quintaleva" "$@"
