# Installation as a desktop program, and the Debian package.
include(GNUInstallDirs)

set(ORVEX_APP_ID org.orvexdab.OrvexDAB)

add_executable(orvex-render-svg ${CMAKE_SOURCE_DIR}/tools/render_svg.cpp)
target_link_libraries(orvex-render-svg PRIVATE Qt6::Gui Qt6::Svg)
set_target_properties(orvex-render-svg PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(ORVEX_ICON_PNG ${CMAKE_BINARY_DIR}/packaging/${ORVEX_APP_ID}.png)
add_custom_command(
    OUTPUT ${ORVEX_ICON_PNG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND orvex-render-svg ${CMAKE_SOURCE_DIR}/packaging/${ORVEX_APP_ID}.svg 256 ${ORVEX_ICON_PNG}
    DEPENDS orvex-render-svg ${CMAKE_SOURCE_DIR}/packaging/${ORVEX_APP_ID}.svg
    COMMENT "Rendering the 256 px program icon")
add_custom_target(orvex-icon ALL DEPENDS ${ORVEX_ICON_PNG})

install(TARGETS orvexdab orvexdab-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET orvexdab-sim)
    install(TARGETS orvexdab-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages and the package's changelog, compressed as Debian wants them: the best
# compression, no name or time stamp inside, so the same sources give the same bytes.
if(UNIX)
    find_program(ORVEX_GZIP gzip REQUIRED)
    set(ORVEX_GZIPPED "")
    set(man_pages orvexdab orvexdab-cli)
    if(TARGET orvexdab-sim)
        list(APPEND man_pages orvexdab-sim)
    endif()
    foreach(source IN ITEMS ${man_pages} changelog)
        if(source STREQUAL "changelog")
            set(input ${CMAKE_SOURCE_DIR}/packaging/changelog)
            set(plain ${CMAKE_BINARY_DIR}/packaging/changelog)
        else()
            set(input ${CMAKE_SOURCE_DIR}/packaging/${source}.1)
            set(plain ${CMAKE_BINARY_DIR}/packaging/${source}.1)
        endif()
        if(source STREQUAL "orvexdab-cli")
            # Its synopses come from the tool's own table.
            set(input ${CMAKE_SOURCE_DIR}/packaging/${source}.1.in)
            set(make_plain $<TARGET_FILE:orvexdab-mangen> ${input} ${plain})
            set(tool orvexdab-mangen)
        else()
            set(make_plain ${CMAKE_COMMAND} -E copy ${input} ${plain})
            set(tool "")
        endif()
        add_custom_command(
            OUTPUT ${plain}.gz
            COMMAND ${make_plain}
            COMMAND ${ORVEX_GZIP} -9nf ${plain}
            DEPENDS ${input} ${tool}
            COMMENT "Compressing ${source}")
        list(APPEND ORVEX_GZIPPED ${plain}.gz)
        if(NOT source STREQUAL "changelog")
            install(FILES ${plain}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        endif()
    endforeach()
    add_custom_target(orvex-compressed-docs ALL DEPENDS ${ORVEX_GZIPPED})
    set(ORVEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvexdab)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${ORVEX_DOC_DIR})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${ORVEX_DOC_DIR})
endif()
# The scheduled backup: its system user and data folder, a service and a daily timer that the
# administrator enables. systemd, systemd-sysusers and systemd-tmpfiles also search
# /usr/local/lib, so these follow the prefix; the service names the program by the prefix it is installed under (CPack's, for the package).
if(UNIX AND NOT APPLE)
    set(ORVEX_SERVICE_IN ${CMAKE_SOURCE_DIR}/packaging/orvexdab-backup.service.in)
    install(CODE "
        set(ORVEX_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/orvexdab-backup.service\")
        message(STATUS \"Installing: \${unit}\")
        configure_file(\"${ORVEX_SERVICE_IN}\" \"\${unit}\" @ONLY)
    ")
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvexdab-backup.timer DESTINATION lib/systemd/system)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvexdab.sysusers
            DESTINATION lib/sysusers.d RENAME orvexdab.conf)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvexdab.tmpfiles
            DESTINATION lib/tmpfiles.d RENAME orvexdab.conf)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${ORVEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ORVEX_ICON_PNG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${ORVEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${ORVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvexdab)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "OrvexDAB developers <dev@orvexdab.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Set up and remote-control the Orvex DAB+ loudness processor")
# The extended description, below the summary line.
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
set(CPACK_PACKAGE_HOMEPAGE_URL https://orvexdab.org/)
# Stripped programs in the package. Their debug symbols stay in the build folder: the debug
# package CPack 3.25 makes beside it lists its files wrongly in md5sums.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${ORVEX_PACKAGE_PREFIX})
# Installs under DESTDIR with the real prefix, so the service names the real program path.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6network6 (>= 6.4), libqt6printsupport6 (>= 6.4), libqt6svg6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), qt6-qpa-plugins (>= 6.4), libc6, libstdc++6")
# The fleet history on a shared PostgreSQL server; the embedded SQLite store needs nothing more.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql (>= 6.4)")
# The scheduled backup's user and units: created and made known on installation, never enabled.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_SOURCE_DIR}/packaging/postinst;${CMAKE_SOURCE_DIR}/packaging/prerm;${CMAKE_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
