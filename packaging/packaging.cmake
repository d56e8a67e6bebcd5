# What `cmake --install` puts under the prefix: the programs and the icons drawn from the SVG. The Debian
# packages (debian/, built by scripts/package) take these and the plain files of packaging/ as they are.
include(GNUInstallDirs)

foreach(program zephyra-console zephyra-cli zephyra-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
if(TARGET zephyra-report)
    # zephyra-cli hands `report` to it; it needs Qt Gui, so it comes with the console.
    install(TARGETS zephyra-report RUNTIME DESTINATION ${ZEPHYRA_REPORT_HELPER_DIR})
endif()

# PNG icons at the usual sizes beside the SVG, for menus that do not draw SVG.
set(ZEPHYRA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ZEPHYRA_ICONS)
if(TARGET zephyra-console)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    foreach(size ${ZEPHYRA_ICON_SIZES})
        set(icon ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/zephyra-console.png)
        add_custom_command(OUTPUT ${icon}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${CMAKE_CURRENT_LIST_DIR}/zephyra-console.svg -o ${icon}
            DEPENDS ${CMAKE_CURRENT_LIST_DIR}/zephyra-console.svg VERBATIM)
        list(APPEND ZEPHYRA_ICONS ${icon})
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()
add_custom_target(zephyra-package-files ALL DEPENDS ${ZEPHYRA_ICONS})
