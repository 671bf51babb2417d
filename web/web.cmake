# The browser build (Emscripten): the runtime core, the game and the browser backend,
# written to ${CMAKE_BINARY_DIR}/site as index.html, zell-bowling.js, zell-bowling.wasm and
# the icon. The tables generated from system data (glyphs, CP932, icon) are taken from a
# desktop build folder, ZELL_HOST_BUILD, whose build-time tools made them.
set(ZELL_HOST_BUILD "${CMAKE_SOURCE_DIR}/build" CACHE PATH "Desktop build folder with the generated sources")
set(gen ${ZELL_HOST_BUILD}/generated)
foreach(f glyph_data.cpp cp932_data.cpp icon_data.cpp icons/64x64/zell-bowling.png)
  if(NOT EXISTS ${gen}/${f})
    message(FATAL_ERROR "${gen}/${f} is missing: build the desktop targets gen-glyphs, gen-cp932 and "
                        "zell-make-icon in ${ZELL_HOST_BUILD} first (make web does)")
  endif()
endforeach()

add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/generated/form_data.cpp
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/resources/mainform.bin
          -DOUT=${CMAKE_BINARY_DIR}/generated/form_data.cpp -DSYMBOL=kMainForm
          -P ${CMAKE_SOURCE_DIR}/tools/embed.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/mainform.bin ${CMAKE_SOURCE_DIR}/tools/embed.cmake)

# The runtime core (runtime/*.cpp, as the desktop's zell_runtime) and, of the platform
# folder, the browser's backend only.
file(GLOB web_runtime CONFIGURE_DEPENDS runtime/*.cpp)
file(GLOB web_game CONFIGURE_DEPENDS game/*.cpp)

add_executable(zell-bowling ${web_runtime} ${web_game}
  runtime/platform/backend_browser.cpp runtime/platform/browser_input.cpp web/main.cpp
  ${gen}/glyph_data.cpp ${gen}/cp932_data.cpp ${gen}/icon_data.cpp
  ${CMAKE_BINARY_DIR}/generated/form_data.cpp)
# web/compat: what the C++ library of Debian's Emscripten lacks.
target_include_directories(zell-bowling PRIVATE ${CMAKE_SOURCE_DIR} /usr/include/stb)
target_include_directories(zell-bowling SYSTEM BEFORE PRIVATE ${CMAKE_SOURCE_DIR}/web/compat)
target_compile_options(zell-bowling PRIVATE ${ZELL_WARNINGS} -ffp-contract=off)
# The version, for the program's main only.
set_source_files_properties(web/main.cpp PROPERTIES COMPILE_DEFINITIONS "ZELL_VERSION=\"${PROJECT_VERSION}\"")
set(web_js ${CMAKE_SOURCE_DIR}/runtime/platform/browser.js)
target_link_options(zell-bowling PRIVATE
  # Waits yield to the browser: the program is unwound and resumed around them.
  -sASYNCIFY -sASYNCIFY_IMPORTS=['zell_page_yield']
  -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=['UTF8ToString','stringToUTF8','lengthBytesUTF8','setValue']
  --js-library ${web_js})
set_target_properties(zell-bowling PROPERTIES SUFFIX ".js" LINK_DEPENDS ${web_js}
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/site)

add_custom_command(TARGET zell-bowling POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/index.html ${gen}/icons/64x64/zell-bowling.png
          ${CMAKE_BINARY_DIR}/site/)
