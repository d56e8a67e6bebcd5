# Installation and the Debian packages, split so that a headless host does not pull in the GUI:
#   zephyra-cli      zephyra-cli and zephyra-sim (Qt Core, Network, Serial Port), the metrics service
#                    unit, its example device list, the alert rules and bash completion;
#   zephyra-console  the console with its menu entry and icons; it depends on zephyra-cli.
# `scripts/package` builds and checks both.
include(GNUInstallDirs)

set(ZEPHYRA_PACKAGE_VERSION ${PROJECT_VERSION})
set(ZEPHYRA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

set(ZEPHYRA_COMPONENT_zephyra-console console)
set(ZEPHYRA_COMPONENT_zephyra-cli cli)
set(ZEPHYRA_COMPONENT_zephyra-sim cli)
foreach(program zephyra-console zephyra-cli zephyra-sim)
    if(TARGET ${program})
        set(component ${ZEPHYRA_COMPONENT_${program}})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
        # Debian wants manual pages compressed, and reproducibly (no name, no time stamp).
        set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
        add_custom_command(OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
            COMMAND gzip -9nc ${ZEPHYRA_PACKAGING_DIR}/man/${program}.1 > ${page}
            DEPENDS ${ZEPHYRA_PACKAGING_DIR}/man/${program}.1 VERBATIM)
        list(APPEND ZEPHYRA_MAN_PAGES ${page})
        install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
    endif()
endforeach()
if(TARGET zephyra-report)
    # zephyra-cli hands `report` to it; it needs Qt Gui, so it comes with the console.
    install(TARGETS zephyra-report RUNTIME DESTINATION ${ZEPHYRA_REPORT_HELPER_DIR} COMPONENT console)
endif()
set(ZEPHYRA_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${ZEPHYRA_CHANGELOG}
    COMMAND gzip -9nc ${ZEPHYRA_PACKAGING_DIR}/changelog > ${ZEPHYRA_CHANGELOG}
    DEPENDS ${ZEPHYRA_PACKAGING_DIR}/changelog VERBATIM)

# PNG icons at the usual sizes beside the SVG, for menus that do not draw SVG.
set(ZEPHYRA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ZEPHYRA_ICONS)
if(TARGET zephyra-console)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    foreach(size ${ZEPHYRA_ICON_SIZES})
        set(icon ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/zephyra-console.png)
        add_custom_command(OUTPUT ${icon}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.svg -o ${icon}
            DEPENDS ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.svg VERBATIM)
        list(APPEND ZEPHYRA_ICONS ${icon})
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                COMPONENT console)
    endforeach()
endif()
add_custom_target(zephyra-package-files ALL DEPENDS ${ZEPHYRA_MAN_PAGES} ${ZEPHYRA_CHANGELOG} ${ZEPHYRA_ICONS})

if(TARGET zephyra-console)
    install(FILES ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT console)
    install(FILES ${ZEPHYRA_PACKAGING_DIR}/zephyra-console.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT console)
endif()
# The metrics service: its unit (not enabled), the device list it reads, alert rules, completion.
install(FILES ${ZEPHYRA_PACKAGING_DIR}/zephyra-metrics.service DESTINATION /lib/systemd/system COMPONENT cli)
install(FILES ${ZEPHYRA_PACKAGING_DIR}/metrics.conf DESTINATION /etc/zephyra COMPONENT cli)
install(FILES ${ZEPHYRA_PACKAGING_DIR}/prometheus/alerts.yml DESTINATION ${CMAKE_INSTALL_DATADIR}/zephyra/prometheus
        COMPONENT cli)
install(FILES ${ZEPHYRA_PACKAGING_DIR}/completion/zephyra-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/conffiles "/etc/zephyra/metrics.conf\n")

foreach(component cli console)
    set(package zephyra-${component})
    install(FILES ${ZEPHYRA_PACKAGING_DIR}/copyright ${ZEPHYRA_CHANGELOG}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    file(READ ${ZEPHYRA_PACKAGING_DIR}/lintian-overrides overrides)
    string(REPLACE "zephyra-console:" "${package}:" overrides "${overrides}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/lintian/${package} "${overrides}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lintian/${package}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli console)
set(CPACK_PACKAGE_NAME zephyra)
set(CPACK_PACKAGE_VERSION ${ZEPHYRA_PACKAGE_VERSION})
# A Debian revision: the package is not native to Debian, so its changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "ZEPHYRA console developers <console-dev@zephyra.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME zephyra-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION "ZEPHYRA-M10 controller tools without a window
zephyra-cli reads the status of a ZEPHYRA-M10 48 V DC rectifier controller
over Modbus RTU (serial, 115200 8N1) or Modbus TCP without a window
(status, watch, history download), compares it with a site profile,
writes its commissioning report as PDF, and serves several controllers as
Prometheus metrics (zephyra-metrics.service, not enabled by default, with
alert rules). zephyra-sim is a simulated controller for training and tests.")
# The workbook library is loaded when a workbook is first saved, so shlibdeps cannot see it.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libgsf-1-114")
# The commissioning report embeds a Hangul font.
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "fonts-nanum")
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/conffiles)

set(CPACK_DEBIAN_CONSOLE_PACKAGE_NAME zephyra-console)
set(CPACK_COMPONENT_CONSOLE_DESCRIPTION "console for the ZEPHYRA-M10 48 V DC rectifier controller
Field technicians watch and configure one ZEPHYRA-M10 controller over
Modbus RTU (serial, 115200 8N1) or Modbus TCP: live status with alarm
lamps, settings, the alarm and event history with spreadsheet export,
and a local status log.")
set(CPACK_COMPONENT_CONSOLE_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Hangul in the windows needs a font that covers it.
set(CPACK_DEBIAN_CONSOLE_PACKAGE_RECOMMENDS "fonts-nanum")
set(CPACK_DEBIAN_CONSOLE_PACKAGE_DEPENDS "libgsf-1-114")
include(CPack)
