#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it as the technician installs it: the
# files where Debian and the programs expect them, its dependencies, lintian's and AppStream's
# verdicts, and the unpacked programs working from wherever they are, the command-line tool
# importing a version 1.3 file through the packaged reader.
# Usage: PackageTest.sh BUILD_DIR OLD_1.3_FILE
set -euo pipefail
build=$1
old_file=$2

failures=0
fail() { echo "FALLA: $*" >&2; failures=$((failures + 1)); }

for tool in dpkg-deb dpkg-shlibdeps lintian appstreamcli readelf; do
  command -v "$tool" >/dev/null || { echo "falta $tool (scripts/common.sh lo instala)" >&2; exit 1; }
done

cmake --build "$build" --target package >"$build/package.log" 2>&1 || { cat "$build/package.log" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/quintaleva_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no se hizo $deb" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qv-paquete-XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# ---- contents --------------------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$tmp/contents"
for path in /usr/bin/quintaleva /usr/bin/quintaleva-cli /usr/bin/lantorela \
    /usr/libexec/quintaleva/quintaleva-lector13 \
    /usr/share/quintaleva/help/Introduccion.htm /usr/share/quintaleva/help/Lantorela.htm \
    /usr/share/applications/quintaleva.desktop /usr/share/applications/lantorela.desktop \
    /usr/share/icons/hicolor/48x48/apps/quintaleva.png /usr/share/icons/hicolor/256x256/apps/quintaleva.png \
    /usr/share/icons/hicolor/scalable/apps/quintaleva.svg \
    /usr/share/metainfo/mx.quintaleva.Quintaleva.metainfo.xml \
    /usr/share/man/man1/quintaleva.1.gz /usr/share/man/man1/quintaleva-cli.1.gz /usr/share/man/man1/lantorela.1.gz \
    /usr/share/doc/quintaleva/copyright /usr/share/doc/quintaleva/changelog.gz; do
  grep -qxF "$path" "$tmp/contents" || fail "el paquete no trae $path"
done
outside=$(grep -v '^/usr\(/\|$\)' "$tmp/contents" | grep -vx '/\?\.\?' || true)
[ -z "$outside" ] || fail "archivos fuera de /usr: $outside"

# ---- control fields --------------------------------------------------------------------------
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version), no $version"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6printsupport6 libmdb3 libsqlite3-0 libpng16-16 qt6-translations-l10n; do
  [[ ",$depends," =~ [,\ ]$lib[\ ,] ]] || fail "Depends no nombra $lib: $depends"
done
for field in Section Priority Maintainer Description; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "falta el campo $field"
done

# ---- lintian and AppStream -------------------------------------------------------------------
lintian --no-cfg "$deb" >"$tmp/lintian" 2>&1 || true
if grep -q '^E:' "$tmp/lintian"; then
  fail "lintian encontró errores:"
  grep '^E:' "$tmp/lintian" >&2
fi
dpkg-deb -x "$deb" "$tmp/root"
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/mx.quintaleva.Quintaleva.metainfo.xml" >"$tmp/appstream" 2>&1 \
  || { fail "appstreamcli no acepta la descripción:"; cat "$tmp/appstream" >&2; }

# ---- the unpacked programs -------------------------------------------------------------------
root=$tmp/root
for program in usr/bin/quintaleva usr/bin/quintaleva-cli usr/bin/lantorela usr/libexec/quintaleva/quintaleva-lector13; do
  readelf -S "$root/$program" | grep -qE '\.(symtab|debug_info)' && fail "$program no va limpio de símbolos"
done
for program in quintaleva quintaleva-cli lantorela; do
  shown=$("$root/usr/bin/$program" --version) || fail "$program --version terminó con error"
  [ "$shown" = "$program $version" ] || fail "$program --version dice \"$shown\""
done
# Each menu entry starts a packaged program with a packaged icon.
for entry in "$root"/usr/share/applications/*.desktop; do
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -x "$root/usr/bin/$exec_name" ] || fail "$(basename "$entry"): Exec=$exec_name no está en /usr/bin"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$(basename "$entry"): no hay ícono $icon"
done
# Every command of quintaleva-cli's usage has its entry in the manual page.
zcat "$root/usr/share/man/man1/quintaleva-cli.1.gz" | sed 's/\\-/-/g' >"$tmp/manual"
for command in $("$root/usr/bin/quintaleva-cli" --help | sed -n 's/^  quintaleva-cli \([a-z][-a-z]*\).*/\1/p' | sort -u); do
  grep -qE "^\.BI? \"?$command( |\"|$)" "$tmp/manual" || fail "man quintaleva-cli no describe la orden $command"
done

# The reader is only in usr/libexec/quintaleva: the tool finds it from its own folder.
unset QUINTALEVA_LECTOR13
cli=$root/usr/bin/quintaleva-cli
"$cli" crear "$tmp/tienda.mdb" >"$tmp/crear.out" 2>&1 || { fail "crear:"; cat "$tmp/crear.out" >&2; }
if "$cli" importar "$tmp/tienda.mdb" "$old_file" >"$tmp/importar.out" 2>&1; then
  grep -q '^Artículos importados: [1-9]' "$tmp/importar.out" || { fail "importar no importó artículos:"; cat "$tmp/importar.out" >&2; }
  "$cli" info "$tmp/tienda.mdb" | grep -qE '^Clientes +[1-9]' || fail "info no cuenta los clientes importados"
else
  fail "importar con el lector del paquete:"
  cat "$tmp/importar.out" >&2
fi

[ "$failures" -eq 0 ] || { echo "$failures fallas" >&2; exit 1; }
echo "paquete $(basename "$deb") revisado"
