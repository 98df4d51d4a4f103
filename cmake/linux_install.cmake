# Installs the Linux game as desktops expect (GNUInstallDirs), and packs it as a
# Debian package with CPack (cpack -G DEB in build/linux):
#   bin/zirirar-aduzo
#   share/applications/ID.desktop, share/metainfo/ID.metainfo.xml
#   share/icons/hicolor/{16..256}x{16..256}/apps/ID.png and scalable/apps/ID.svg
#   share/doc/zirirar-aduzo/copyright and changelog.gz, share/man/man6/zirirar-aduzo.6.gz
# where ID is ZIRIRAR_APP_ID. Installing builds only the game, not the tests. In the
# Debian package the program is /usr/games/zirirar-aduzo.
include(GNUInstallDirs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Folders as Debian expects them, whatever the umask of the machine that packs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(desktop_dir ${CMAKE_BINARY_DIR}/desktop)
set(CPACK_PACKAGE_CONTACT "The ${ZIRIRAR_NAME} developers <developers@zirirar.org>")
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/desktop-entry.in
               ${desktop_dir}/${ZIRIRAR_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/metainfo.xml.in
               ${desktop_dir}/${ZIRIRAR_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/copyright.in ${desktop_dir}/copyright @ONLY)

# The icon theme's files, drawn by the script that draws the Windows icon (about a
# second; again whenever the script changes).
set(icon_script ${CMAKE_SOURCE_DIR}/scripts/make_icon.py)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${icon_script})
find_package(Python3 REQUIRED COMPONENTS Interpreter)
execute_process(COMMAND ${Python3_EXECUTABLE} ${icon_script} --theme ${desktop_dir}/hicolor
                        --name ${ZIRIRAR_APP_ID}
                RESULT_VARIABLE icon_result)
if(NOT icon_result EQUAL 0)
  message(FATAL_ERROR "scripts/make_icon.py could not draw the icon theme's files")
endif()

install(TARGETS zirirar-aduzo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_dir}/${ZIRIRAR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_dir}/${ZIRIRAR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${desktop_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
# The release notes and the manual page, compressed as Debian keeps them (no name or
# time in the header).
execute_process(COMMAND ${Python3_EXECUTABLE} -c "import datetime, email.utils; print(\
email.utils.format_datetime(datetime.datetime.fromisoformat('${ZIRIRAR_RELEASE_DATE}')\
.replace(tzinfo=datetime.timezone.utc)))"
                OUTPUT_VARIABLE ZIRIRAR_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/changelog.in ${desktop_dir}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/manual.6.in ${desktop_dir}/zirirar-aduzo.6
               @ONLY)
execute_process(COMMAND gzip -9nf ${desktop_dir}/changelog ${desktop_dir}/zirirar-aduzo.6
                RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the changelog and the manual page")
endif()
install(FILES ${desktop_dir}/zirirar-aduzo.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${desktop_dir}/copyright ${desktop_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zirirar-aduzo)

# The Debian package. Its files' times come from SOURCE_DATE_EPOCH (scripts/package.sh
# sets it to the commit's time), so two builds of one commit give the same bytes.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zirirar-aduzo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "memory game of coloured squares and their notes")
# The long description, under the summary (CPack indents its lines).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The computer flashes a growing sequence of coloured squares, each with its\n\
own note, and the player repeats it with the mouse or the keyboard. Seven\n\
boards of 2 to 20 squares, twelve skill levels and free play.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Liberation Sans stands for Arial in the status panel.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
# Debian keeps a game's program in /usr/games (its policy for the games section).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb_games_folder.cmake)
include(CPack)
