# Run by `cmake --install` before it copies anything: adds the folders among
# ZELL_INSTALL_DIRS (relative to the prefix) that do not exist yet below DESTDIR,
# and the missing folders above them, to the list in ZELL_RECORD, which
# cmake/uninstall.cmake removes once they are empty again. Unlike the paths in
# install_manifest.txt, the recorded paths include DESTDIR: installs below several
# roots add up without mixing.
if("$ENV{DESTDIR}" MATCHES "/_CPack_Packages/")
  return()  # cpack stages the package in a folder of its own and removes it
endif()
set(created)
if(EXISTS "${ZELL_RECORD}")
  file(STRINGS "${ZELL_RECORD}" created)
endif()
foreach(rel IN LISTS ZELL_INSTALL_DIRS)
  set(d "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${rel}")
  while(d AND NOT EXISTS "${d}")
    list(APPEND created "${d}")
    get_filename_component(parent "${d}" DIRECTORY)
    if(parent STREQUAL d)
      break()
    endif()
    set(d "${parent}")
  endwhile()
endforeach()
list(REMOVE_DUPLICATES created)
list(JOIN created "\n" text)
file(WRITE "${ZELL_RECORD}" "${text}\n")
