# Installation under /usr and the Debian package (cpack -G DEB, see
# scripts/package.sh). An installed program keeps its address book in the
# user's data folder and starts from the application menu.
include(GNUInstallDirs)

set(WAYBILL_APP_ID example.tavsoft.waybill)
set(WAYBILL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PKG ${CMAKE_SOURCE_DIR}/packaging)
set(PKG_OUT ${CMAKE_BINARY_DIR}/packaging)

# Directories 0755 whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Installing and packaging take what is built; they never start a build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

add_executable(icon_writer ${PKG}/icon_writer.cpp)
target_compile_options(icon_writer PRIVATE ${WAYBILL_WARNINGS})
target_link_libraries(icon_writer PRIVATE waybill_gui)

set(icon_files)
foreach(size ${WAYBILL_ICON_SIZES})
  list(APPEND icon_files ${PKG_OUT}/icons/${size}x${size}/apps/${WAYBILL_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:icon_writer> ${PKG_OUT}/icons ${WAYBILL_APP_ID} ${WAYBILL_ICON_SIZES}
  DEPENDS icon_writer
  COMMENT "Drawing the program icon")

# Manual pages and the changelog are installed compressed, without time
# stamps, so the package is the same whenever it is built.
find_program(WAYBILL_GZIP gzip REQUIRED)
set(gz_files)
foreach(src waybill.1 waybill-cli.1 changelog)
  configure_file(${PKG}/${src} ${PKG_OUT}/${src} @ONLY)
  add_custom_command(OUTPUT ${PKG_OUT}/${src}.gz
    COMMAND ${WAYBILL_GZIP} -9nf -k ${PKG_OUT}/${src}
    DEPENDS ${PKG_OUT}/${src} ${PKG}/${src})
  list(APPEND gz_files ${PKG_OUT}/${src}.gz)
endforeach()
configure_file(${PKG}/${WAYBILL_APP_ID}.metainfo.xml ${PKG_OUT}/${WAYBILL_APP_ID}.metainfo.xml @ONLY)
add_custom_target(package_files ALL DEPENDS ${icon_files} ${gz_files})

install(TARGETS waybill waybill-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PKG}/${WAYBILL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PKG_OUT}/${WAYBILL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PKG_OUT}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PKG_OUT}/waybill.1.gz ${PKG_OUT}/waybill-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PKG}/copyright ${PKG_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/waybill)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME waybill)
set(CPACK_PACKAGE_VENDOR tavsoft)
set(CPACK_PACKAGE_CONTACT "tavsoft <support@tavsoft.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tavsoft.example)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: the SQLite
# driver, the fonts the program maps 宋体 and its dialog font to, and Qt's
# Chinese texts for its own dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, fonts-arphic-uming, fonts-noto-cjk, fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "prints address details onto Chinese courier waybills
Keeps an address book of senders and recipients and prints their
details, the contents, the quantity and the date onto the pre-printed
waybills of Chinese express couriers (twenty built-in templates), one
at a time or one per recipient. Recipient lists import from and export
to Excel workbooks; the address book can be backed up and restored.
.
The package holds the window program waybill, started from the
application menu, and the command-line tool waybill-cli.")
include(CPack)
