# Installation and the Debian package: the console, zephyra-cli and zephyra-sim with a menu entry, an
# icon, manual pages, the copyright file and the changelog. `scripts/package` builds and checks it.
include(GNUInstallDirs)

set(ZEPHYRA_PACKAGE_VERSION ${PROJECT_VERSION})
set(ZEPHYRA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

foreach(program zephyra-console zephyra-cli zephyra-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        # Debian wants manual pages compressed, and reproducibly (no name, no time stamp).
        set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
        add_custom_command(OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
            COMMAND gzip -9nc ${ZEPHYRA_PACKAGING_DIR}/man/${program}.1 > ${page}
            DEPENDS ${ZEPHYRA_PACKAGING_DIR}/man/${program}.1 VERBATIM)
        list(APPEND ZEPHYRA_MAN_PAGES ${page})
        install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()
set(ZEPHYRA_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${ZEPHYRA_CHANGELOG}
    COMMAND gzip -9nc ${ZEPHYRA_PACKAGING_DIR}/changelog > ${ZEPHYRA_CHANGELOG}
    DEPENDS ${ZEPHYRA_PACKAGING_DIR}/changelog VERBATIM)
add_custom_target(zephyra-package-files ALL DEPENDS ${ZEPHYRA_MAN_PAGES} ${ZEPHYRA_CHANGELOG})

if(TARGET zephyra-console)
    install(FILES ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${ZEPHYRA_PACKAGING_DIR}/copyright ${ZEPHYRA_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zephyra-console)
install(FILES ${ZEPHYRA_PACKAGING_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME zephyra-console)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zephyra-console)
set(CPACK_PACKAGE_VERSION ${ZEPHYRA_PACKAGE_VERSION})
# A Debian revision: the package is not native to Debian, so its changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "ZEPHYRA console developers <console-dev@zephyra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for the ZEPHYRA-M10 48 V DC rectifier controller")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Field technicians watch and configure one ZEPHYRA-M10 controller over
Modbus RTU (serial, 115200 8N1) or Modbus TCP: live status with alarm
lamps, settings, the alarm and event history with spreadsheet export,
and a local status log.

zephyra-cli reads the same status without a window (status, watch,
history download) and serves several controllers as Prometheus metrics.
zephyra-sim is a simulated controller for training and tests.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Hangul in the windows needs a font that covers it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum")
# The workbook library is loaded when a workbook is first saved, so shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgsf-1-114")
set(CPACK_STRIP_FILES ON)
include(CPack)
