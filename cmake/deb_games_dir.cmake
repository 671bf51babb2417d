# Run by cpack on the staged package contents: Debian's games are installed in
# /usr/games, so the program moves there from /usr/bin and the desktop entry
# starts it by that path. As Debian's own packages, the program loses the
# compiler's .comment section too (cpack's strip keeps it).
file(GLOB staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
foreach(usr IN LISTS staged)
  if(EXISTS "${usr}/bin/zell-bowling")
    file(MAKE_DIRECTORY "${usr}/games")
    file(RENAME "${usr}/bin/zell-bowling" "${usr}/games/zell-bowling")
    find_program(STRIP strip)
    if(STRIP)
      execute_process(COMMAND ${STRIP} --remove-section=.comment --remove-section=.note
        "${usr}/games/zell-bowling" COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(GLOB left "${usr}/bin/*")
    if(NOT left)
      file(REMOVE_RECURSE "${usr}/bin")
    endif()
    file(GLOB entries "${usr}/share/applications/*.desktop")
    foreach(entry IN LISTS entries)
      file(READ "${entry}" text)
      string(REGEX REPLACE "\nExec=zell-bowling" "\nExec=/usr/games/zell-bowling" text "${text}")
      file(WRITE "${entry}" "${text}")
    endforeach()
    set(moved TRUE)
  endif()
endforeach()
if(NOT moved)
  message(FATAL_ERROR "No staged usr/bin/zell-bowling below ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
