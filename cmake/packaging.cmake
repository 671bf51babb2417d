# Installation and the Debian package: the program, its desktop entry, software-centre
# metadata, manual page and icons, `make uninstall`, and CPack's DEB generator.
# Included at the end of the top-level CMakeLists.txt, after every target is defined.

include(GNUInstallDirs)

# The day this version was released (metainfo, manual page, package changelog).
set(ZELL_RELEASE_DATE 2026-12-06)
# The reverse-DNS name that software centres know the game by; the desktop entry and
# the metainfo file are named after it.
set(ZELL_APP_ID invalid.zell.bowling)
set(ZELL_HOMEPAGE "https://zell.invalid/" CACHE STRING "The project's web address")
set(ZELL_SCREENSHOT_URL "${ZELL_HOMEPAGE}docs" CACHE STRING
  "Web address of the folder holding the README's screenshots (menu.png, game.png)")
set(ZELL_MAINTAINER "Zell Developer <dev@zell.invalid>")

# --- Generated documentation ------------------------------------------------
# The manual page and the Debian changelog are installed compressed without a time
# stamp (gzip -n), so that a rebuild gives the same bytes.
set(ZELL_GEN ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/docs/zell-bowling.6.in ${ZELL_GEN}/zell-bowling.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/zell-bowling.metainfo.xml.in
  ${ZELL_GEN}/${ZELL_APP_ID}.metainfo.xml @ONLY)
string(TIMESTAMP _zell_now "%Y-%m-%d")
execute_process(COMMAND date -R -u -d "${ZELL_RELEASE_DATE} 12:00:00 UTC"
  OUTPUT_VARIABLE ZELL_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
file(WRITE ${ZELL_GEN}/changelog.in
  "zell-bowling (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${ZELL_MAINTAINER}  ${ZELL_RELEASE_DATE_RFC2822}\n")
configure_file(${ZELL_GEN}/changelog.in ${ZELL_GEN}/changelog COPYONLY)

find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${ZELL_GEN}/zell-bowling.6.gz ${ZELL_GEN}/changelog.gz
  COMMAND ${GZIP} -9n -c ${ZELL_GEN}/zell-bowling.6 > ${ZELL_GEN}/zell-bowling.6.gz
  COMMAND ${GZIP} -9n -c ${ZELL_GEN}/changelog > ${ZELL_GEN}/changelog.gz
  DEPENDS ${ZELL_GEN}/zell-bowling.6 ${ZELL_GEN}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(zell-docs ALL DEPENDS ${ZELL_GEN}/zell-bowling.6.gz ${ZELL_GEN}/changelog.gz)
# Building the game alone makes everything that `install` copies.
if(TARGET zell-bowling)
  add_dependencies(zell-bowling zell-docs)
endif()

# --- Install ----------------------------------------------------------------
# Directories are created world-readable whatever the umask, as a package needs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Before anything is copied: the folders this install is going to create, added to
# install_dirs.txt beside install_manifest.txt, so that `make uninstall` removes them too.
# (cpack's install records nothing.)
set(ZELL_INSTALL_DIRS ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_DATADIR}/applications
  ${CMAKE_INSTALL_DATADIR}/metainfo ${CMAKE_INSTALL_MANDIR}/man6 ${CMAKE_INSTALL_DATADIR}/doc/zell-bowling)
foreach(size ${ZELL_ICON_SIZES})
  list(APPEND ZELL_INSTALL_DIRS ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(CODE "set(ZELL_RECORD \"${CMAKE_BINARY_DIR}/install_dirs.txt\")
  set(ZELL_INSTALL_DIRS \"${ZELL_INSTALL_DIRS}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/record_install_dirs.cmake)
if(TARGET zell-bowling)
  install(TARGETS zell-bowling RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/resources/${ZELL_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZELL_GEN}/${ZELL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ZELL_GEN}/zell-bowling.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${ZELL_GEN}/changelog.gz ${CMAKE_SOURCE_DIR}/resources/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zell-bowling)
foreach(size ${ZELL_ICON_SIZES})
  install(FILES ${ZELL_GEN}/icons/${size}x${size}/zell-bowling.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# `make uninstall` (or the target `uninstall`): removes the files the last install
# listed in install_manifest.txt, and the folders that install created.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/uninstall.cmake)

# --- Debian package (cpack -G DEB) -------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zell-bowling)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZELL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "single-player ten-pin bowling on an upright board")
# The extended description, in lines of at most 80 characters as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION [[
Drop the ball with the mouse onto pins standing on an upright board and
flick it; ball and pins fall, bounce off two walls and each other, and a
pin is down once it falls out below the board. Ten frames with ordinary
bowling scoring, a score sheet, a Best 20 table and one MIDI note per
contact, played on a system MIDI port or the built-in synthesizer.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZELL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The built-in synthesizer plays /usr/share/sounds/sf2/default-GM.sf2; without it the game is silent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | sf2-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_THREADS 1)
# A Debian game lives in /usr/games: the staged program moves there before packaging.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb_games_dir.cmake)
# cpack installs what is built; it must not build everything first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)

# The package test skips itself (exit 77) where the Debian packaging tools are missing.
# A sanitizer build is never packaged: there it does not run. Every install of this
# build tree (cpack's too) rewrites its install_manifest.txt, which the install test
# reads back: the two never run at the same time.
if(TEST package AND TEST install)
  set_tests_properties(package install PROPERTIES RESOURCE_LOCK install_manifest)
endif()
if(TEST package)
  set_tests_properties(package PROPERTIES SKIP_RETURN_CODE 77)
  if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    set_tests_properties(package PROPERTIES DISABLED TRUE)
  endif()
endif()
