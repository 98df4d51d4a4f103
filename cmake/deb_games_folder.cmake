# Run by CPack on the staged files before it packs them: moves the program from
# usr/bin to usr/games, where Debian keeps the programs of its games section.
set(staged ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
if(NOT EXISTS ${staged}/usr/bin/zirirar-aduzo)
  message(FATAL_ERROR "no usr/bin/zirirar-aduzo in ${staged}")
endif()
file(MAKE_DIRECTORY ${staged}/usr/games)
file(CHMOD ${staged}/usr/games DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(RENAME ${staged}/usr/bin/zirirar-aduzo ${staged}/usr/games/zirirar-aduzo)
file(REMOVE_RECURSE ${staged}/usr/bin)  # empty now
