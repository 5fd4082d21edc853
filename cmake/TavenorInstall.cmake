# Install rules and the Debian package.
#
# The player expects everything it was installed with beside its own
# executable (its install folder): the program, its libraries, the
# replacement renderer it loads by name, the location picker and video
# encoder modules it opens on first use, the simulated guest, the updater,
# the VM template, the blank data disk and the channel file. All of it goes
# into one private program folder, TAVENOR_INSTALL_DIR, with RUNPATH $ORIGIN
# as in build/bin. Beside it: a launcher on PATH, the desktop entry, the
# icons and the AppStream metadata.
#
# The package is built from a release build:
#   cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-pkg --target tavenor_install_inputs
#   (cd build-pkg && cpack -G DEB)
# scripts/check-package does that and checks the result.
include(GNUInstallDirs)

set(TAVENOR_APP_ID com.corvane.TavenorPlayer)
# A folder of its own under libexec: the libraries in it are private to the
# player and need no ldconfig run.
set(TAVENOR_INSTALL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tavenor)
set(TAVENOR_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/player/resources/desktop)

# Targets whose files make up the program folder. A target that a build
# does not define is left out.
set(TAVENOR_INSTALLED_TARGETS
    TavenorPlayer TavenorUpdater tavenor-guest OpenglRender tavenor-glinfo tavenor_map
    service vmservice toolkit hostinfo videoenc shortcut)

set(_installed "")
foreach(_target IN LISTS TAVENOR_INSTALLED_TARGETS)
    if(TARGET ${_target})
        list(APPEND _installed ${_target})
    endif()
endforeach()
install(TARGETS ${_installed}
    RUNTIME DESTINATION ${TAVENOR_INSTALL_DIR}
    LIBRARY DESTINATION ${TAVENOR_INSTALL_DIR} NAMELINK_SKIP)
install(FILES
        ${TAVENOR_BIN_DIR}/Tavenor.vbox-example
        ${TAVENOR_BIN_DIR}/data.vdi
        ${TAVENOR_BIN_DIR}/channel.txt
    DESTINATION ${TAVENOR_INSTALL_DIR})

# Everything the install rules read, built without the tests.
add_custom_target(tavenor_install_inputs)
add_dependencies(tavenor_install_inputs ${_installed} vmservice_install_files tavenor_icons)

# The launcher finds the program folder relative to itself, so an unpacked
# copy of the package runs from wherever it was unpacked.
file(RELATIVE_PATH _launcher_to_program
    /${CMAKE_INSTALL_BINDIR} /${TAVENOR_INSTALL_DIR})
configure_file(${TAVENOR_DESKTOP_DIR}/tavenor-player.in
    ${CMAKE_BINARY_DIR}/launcher/tavenor-player @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/tavenor-player
    DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop integration: menu entry, icons, software-centre metadata.
install(FILES ${TAVENOR_DESKTOP_DIR}/${TAVENOR_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TAVENOR_DESKTOP_DIR}/${TAVENOR_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TAVENOR_DESKTOP_DIR}/${TAVENOR_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(TAVENOR_ICON_SIZES 16 24 32 48 64 128 256)
set(_icon_pngs "")
foreach(_size IN LISTS TAVENOR_ICON_SIZES)
    set(_folder ${CMAKE_BINARY_DIR}/icons/${_size}x${_size})
    set(_png ${_folder}/${TAVENOR_APP_ID}.png)
    list(APPEND _icon_pngs ${_png})
    add_custom_command(OUTPUT ${_png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_folder}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:tavenor_svgrender> square
                ${TAVENOR_DESKTOP_DIR}/${TAVENOR_APP_ID}.svg ${_png} ${_size}
        DEPENDS tavenor_svgrender ${TAVENOR_DESKTOP_DIR}/${TAVENOR_APP_ID}.svg
        COMMENT "Drawing the program icon at ${_size} x ${_size}"
        VERBATIM)
    install(FILES ${_png}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()
add_custom_target(tavenor_icons ALL DEPENDS ${_icon_pngs})

set(_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tavenor-player)
install(FILES ${TAVENOR_DESKTOP_DIR}/copyright DESTINATION ${_doc_dir})
# The change log and the manual page, compressed as Debian wants them.
set(_changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
set(_manual ${CMAKE_BINARY_DIR}/package/tavenor-player.1.gz)
add_custom_command(OUTPUT ${_changelog} ${_manual}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND gzip -9nc ${TAVENOR_DESKTOP_DIR}/changelog > ${_changelog}
    COMMAND gzip -9nc ${TAVENOR_DESKTOP_DIR}/tavenor-player.1 > ${_manual}
    DEPENDS ${TAVENOR_DESKTOP_DIR}/changelog ${TAVENOR_DESKTOP_DIR}/tavenor-player.1
    COMMENT "Compressing the package change log and manual page")
add_custom_target(tavenor_package_docs ALL DEPENDS ${_changelog} ${_manual})
add_dependencies(tavenor_install_inputs tavenor_package_docs)
install(FILES ${_changelog} DESTINATION ${_doc_dir})
install(FILES ${_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavenor-player)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Tavenor Player maintainers <maintainers@tavenor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Android games in a desktop window")
set(CPACK_PACKAGE_DESCRIPTION
"Tavenor Player runs an Android guest in a virtual machine and shows its
display in a frameless game window. Keyboard, mouse, wheel, text input,
clipboard and a chosen GPS location are carried to the guest. APKs install by
drag and drop; screen captures and recordings, a shake gesture, a key-mapping
engine switch, a boss key and a settings dialog complete it.
.
Without VirtualBox it runs a simulated guest that speaks every wire format of
the real one.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find the program folder's own libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TAVENOR_BIN_DIR})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt5multimedia5-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "virtualbox")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
