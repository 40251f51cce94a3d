# The Debian package (cpack, or the `package` target): the programs in /usr/bin, the old-file
# reader in /usr/libexec/quintaleva, the help, the menu entries, icons, AppStream data and manual
# pages under /usr/share. The programs find their companions from their own folder, so the same
# binaries work installed, unpacked anywhere, or in the build tree.

set(QUINTALEVA_VENDOR "TOLVAN Soft")
set(QUINTALEVA_MAINTAINER "Soporte de Quintaleva <soporte@quintaleva.mx>" CACHE STRING
  "The Debian package's maintainer, as Name <address>")
# The date of this version, for the AppStream release and the package's changelog.
set(QUINTALEVA_RELEASE_DATE 2026-12-08)
execute_process(COMMAND date -R -u -d ${QUINTALEVA_RELEASE_DATE}
  OUTPUT_VARIABLE QUINTALEVA_RELEASE_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

# Read-only relocations bound at start, as Debian links its own programs.
foreach(program quintaleva quintaleva-cli lantorela quintaleva-lector13)
  target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
endforeach()
install(TARGETS quintaleva quintaleva-cli lantorela RUNTIME DESTINATION bin)
install(TARGETS quintaleva-lector13 RUNTIME DESTINATION libexec/quintaleva)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/html/ DESTINATION share/quintaleva/help)

# Menu entries: the program and the designer.
foreach(program quintaleva lantorela)
  set(EXEC ${program})
  set(ICON quintaleva)
  configure_file(${PROJECT_SOURCE_DIR}/resources/${program}.desktop.in ${PACKAGING_DIR}/${program}.desktop @ONLY)
  install(FILES ${PACKAGING_DIR}/${program}.desktop DESTINATION share/applications)
endforeach()
foreach(size 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/quintaleva-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quintaleva.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/images/quintaleva.svg DESTINATION share/icons/hicolor/scalable/apps)

configure_file(${PROJECT_SOURCE_DIR}/packaging/mx.quintaleva.Quintaleva.metainfo.xml.in
  ${PACKAGING_DIR}/mx.quintaleva.Quintaleva.metainfo.xml @ONLY)
install(FILES ${PACKAGING_DIR}/mx.quintaleva.Quintaleva.metainfo.xml DESTINATION share/metainfo)

# Manual pages and the changelog, gzipped without a time stamp so that the package is the same
# from one build to the next.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUINTALEVA_MAINTAINER})
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PACKAGING_DIR}/changelog @ONLY)
set(gzipped)
foreach(page quintaleva quintaleva-cli lantorela)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1 ${PACKAGING_DIR}/${page}.1 @ONLY)
  list(APPEND gzipped ${page}.1)
endforeach()
list(APPEND gzipped changelog)
set(gzipped_outputs)
foreach(file ${gzipped})
  add_custom_command(OUTPUT ${PACKAGING_DIR}/${file}.gz
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${PACKAGING_DIR}/${file} ${PACKAGING_DIR}/${file}.gz
    DEPENDS ${PACKAGING_DIR}/${file} VERBATIM)
  list(APPEND gzipped_outputs ${PACKAGING_DIR}/${file}.gz)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${gzipped_outputs})
foreach(page quintaleva quintaleva-cli lantorela)
  install(FILES ${PACKAGING_DIR}/${page}.1.gz DESTINATION share/man/man1)
endforeach()
install(FILES ${PACKAGING_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/quintaleva)

# ---- cpack --------------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quintaleva)
set(CPACK_PACKAGE_VENDOR ${QUINTALEVA_VENDOR})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link are found by dpkg-shlibdeps; the rest is what they load or run
# without linking it: the desktop's platform plugin, Qt's own Spanish texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, libpng16-16")
# The formats name Arial, Courier New and Times New Roman, which fontconfig takes from Liberation's
# letters of the same widths.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "facturación, cobranza y reportes para negocios de México
Quintaleva 2 captura, guarda e imprime facturas, notas y tickets; recibe
pagos, lleva los catálogos de clientes, artículos e impuestos, sella y
timbra facturas electrónicas CFDI 4.0 y muestra reportes.
.
Incluye Lantorela, el diseñador de formatos de impresión, y quintaleva-cli,
las órdenes para la terminal (respaldos, copias, importación de archivos de
Quintaleva 1.3).")
include(CPack)
