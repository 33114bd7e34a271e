# cmake --install: the game with its data and the shipped Setup.txt, a launcher that runs it
# from a per-user folder, a desktop entry and the icon the level builder makes.
#
#   PREFIX/bin/ovrel                                  the launcher
#   PREFIX/lib/ovrel/ovrel                            the game
#   PREFIX/share/ovrel/Setup.txt, PREFIX/share/ovrel/data/
#   PREFIX/share/applications/ovrel.desktop
#   PREFIX/share/icons/hicolor/32x32/apps/ovrel.png
#
# The launcher finds the game from its own place, so the install can move; the desktop entry
# names the launcher by its installed path, written when installing.
set(OVREL_INSTALL_GAME_DIR lib/ovrel)
set(OVREL_INSTALL_SHARE_DIR share/ovrel)

install(TARGETS ovrel RUNTIME DESTINATION ${OVREL_INSTALL_GAME_DIR})
install(DIRECTORY ${OVREL_DATA_DIR}/ DESTINATION ${OVREL_INSTALL_SHARE_DIR}/data)
install(FILES ${CMAKE_SOURCE_DIR}/content/Setup.txt DESTINATION ${OVREL_INSTALL_SHARE_DIR})

set(ovrel_launcher ${CMAKE_BINARY_DIR}/generated/ovrel_launcher.sh)
configure_file(${CMAKE_SOURCE_DIR}/content/ovrel_launcher.sh.in ${ovrel_launcher} @ONLY)
install(PROGRAMS ${ovrel_launcher} DESTINATION bin RENAME ovrel)

install(FILES ${CMAKE_BINARY_DIR}/generated/icon.png
    DESTINATION share/icons/hicolor/32x32/apps RENAME ovrel.png)

install(CODE "
    set(OVREL_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/bin/ovrel\")
    set(desktop_file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/ovrel.desktop\")
    message(STATUS \"Installing: \${desktop_file}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/content/ovrel.desktop.in\" \"\${desktop_file}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${desktop_file}\")
")
