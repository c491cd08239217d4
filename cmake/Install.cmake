# What `cmake --install` puts where on Linux (GNUInstallDirs), in two components that become the
# two Debian packages: "cli" (zrt-vivoraz-cli, its man page, the udev rule; no Qt) and "gui" (the
# window, its desktop entry, icon, AppStream metainfo and man page); each package's documentation
# folder holds the README as Debian installs it (README.md.gz), with the copyright and changelog.
# Man pages, changelogs and the README go in gzip-compressed, the icon's PNG sizes are drawn from
# its SVG with rsvg-convert.
include(GNUInstallDirs)

set(ZRT_APP_ID org.zrtvivoraz.ZrtVivoraz)
set(_linux ${CMAKE_SOURCE_DIR}/app/linux)
set(_generated ${CMAKE_BINARY_DIR}/install-data)
file(MAKE_DIRECTORY ${_generated})

# gzip -9n: no name or time stamp in the output, so the packages build the same every time.
function(zrt_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND gzip -9n -c ${source} > ${output}
        DEPENDS ${source} VERBATIM)
endfunction()

zrt_gzip(${CMAKE_SOURCE_DIR}/cli/zrt-vivoraz-cli.1 ${_generated}/zrt-vivoraz-cli.1.gz)
zrt_gzip(${_linux}/changelog ${_generated}/changelog.gz)
zrt_gzip(${CMAKE_SOURCE_DIR}/README.md ${_generated}/README.md.gz)
set(_install_data ${_generated}/zrt-vivoraz-cli.1.gz ${_generated}/changelog.gz
    ${_generated}/README.md.gz)

install(FILES ${CMAKE_SOURCE_DIR}/app/70-zrt-readers.rules
        DESTINATION lib/udev/rules.d COMPONENT cli)
install(FILES ${_generated}/zrt-vivoraz-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${_linux}/copyright ${_generated}/changelog.gz ${_generated}/README.md.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zrt-vivoraz-cli COMPONENT cli)

if(ZRT_BUILD_GUI)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    zrt_gzip(${_linux}/zrt-vivoraz.1 ${_generated}/zrt-vivoraz.1.gz)
    list(APPEND _install_data ${_generated}/zrt-vivoraz.1.gz)
    foreach(size 48 64 128 256)
        set(png ${_generated}/icon-${size}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${_linux}/${ZRT_APP_ID}.svg
            DEPENDS ${_linux}/${ZRT_APP_ID}.svg VERBATIM)
        list(APPEND _install_data ${png})
        install(FILES ${png} RENAME ${ZRT_APP_ID}.png
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
                COMPONENT gui)
    endforeach()
    install(FILES ${_linux}/${ZRT_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps COMPONENT gui)
    install(FILES ${_linux}/${ZRT_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT gui)
    install(FILES ${_linux}/${ZRT_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT gui)
    install(FILES ${_generated}/zrt-vivoraz.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
    install(FILES ${_linux}/copyright ${_generated}/changelog.gz ${_generated}/README.md.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zrt-vivoraz COMPONENT gui)
endif()
add_custom_target(zrt_install_data ALL DEPENDS ${_install_data})
