# The Windows build (make windows, make test-windows), included by the top-level CMakeLists.txt
# when cross-compiling with MinGW-w64 (cmake/mingw-w64.cmake). The glyph, CP932 and icon tables
# come from a desktop build folder (ZELL_HOST_BUILD), whose generators made them.
set(host_gen ${ZELL_HOST_BUILD}/generated)
add_subdirectory(platform/headless)
add_subdirectory(platform/windows)
add_subdirectory(apps/replay)

# zell-bowling.exe: a GUI program (no console window), with the icon, the version resource and
# the manifest (per-monitor DPI awareness) built in.
set(ZELL_ICON_PNGS)
foreach(size 16 32 48 64 128 256)
  list(APPEND ZELL_ICON_PNGS ${host_gen}/icons/${size}x${size}/zell-bowling.png)
endforeach()
add_custom_command(
  OUTPUT ${ZELL_GEN}/zell-bowling.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZELL_GEN}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/icon/make_ico.py ${ZELL_GEN}/zell-bowling.ico ${ZELL_ICON_PNGS}
  DEPENDS ${ZELL_ICON_PNGS} ${CMAKE_SOURCE_DIR}/tools/icon/make_ico.py
  COMMENT "Packing the icon into zell-bowling.ico")
set(ZELL_VERSION_COMMA ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)
configure_file(${CMAKE_SOURCE_DIR}/apps/windows/zell-bowling.rc.in ${ZELL_GEN}/zell-bowling.rc @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/apps/windows/zell-bowling.manifest ${ZELL_GEN}/zell-bowling.manifest COPYONLY)
set_source_files_properties(${ZELL_GEN}/zell-bowling.rc PROPERTIES
  OBJECT_DEPENDS "${ZELL_GEN}/zell-bowling.ico;${ZELL_GEN}/zell-bowling.manifest")
add_executable(zell-bowling WIN32 apps/windows/main.cpp ${ZELL_GEN}/zell-bowling.rc)
target_link_libraries(zell-bowling PRIVATE zell_replay_run zell_game zell_windows zell_files zell_version)
# wmain: the command line arrives as UTF-16, whatever the system's code page.
target_link_options(zell-bowling PRIVATE -municode -s)
set_target_properties(zell-bowling PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The scripted runner, for the golden scenarios under Wine.
add_subdirectory(apps/script)

# The unit tests under Wine: GoogleTest built from Debian's sources for this compiler.
option(ZELL_TESTS "Build the tests" ON)
if(ZELL_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_subdirectory(tools/icon)
  add_subdirectory(tests)
endif()

# make windows-zip: zell-bowling-VERSION-win64.zip with the program, README.txt and the fonts'
# licence notices.
set(ZELL_ZIP zell-bowling-${PROJECT_VERSION}-win64)
configure_file(${CMAKE_SOURCE_DIR}/apps/windows/README.txt.in ${ZELL_GEN}/zip/README.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_target(windows-zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/${ZELL_ZIP} ${CMAKE_BINARY_DIR}/${ZELL_ZIP}.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/${ZELL_ZIP}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zell-bowling> ${ZELL_GEN}/zip/README.txt
          ${CMAKE_BINARY_DIR}/${ZELL_ZIP}/
  COMMAND ${CMAKE_COMMAND} -DOUT=${CMAKE_BINARY_DIR}/${ZELL_ZIP}/FONT-LICENSES.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/font-licenses.cmake
  COMMAND cd ${CMAKE_BINARY_DIR} && zip -q -X -r ${ZELL_ZIP}.zip ${ZELL_ZIP}
  DEPENDS zell-bowling
  COMMENT "Packing ${ZELL_ZIP}.zip")
