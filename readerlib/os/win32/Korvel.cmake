# Korvel.dll: the exports and their ordinals come from Korvel.def, whose
# decorated stdcall names --kill-at exports undecorated; the MinGW runtime is
# linked in, so the DLL needs only the system's own; and the import library
# is made from the same file with dlltool -k (the linker's own one does not
# link after --kill-at), in place of the one the linker wrote.
set(korvel_def ${CMAKE_CURRENT_LIST_DIR}/Korvel.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # 64-bit Windows has one calling convention and no name decoration.
  file(READ ${korvel_def} korvel_def_text)
  string(REGEX REPLACE "@[0-9]+ +@" " @" korvel_def_text "${korvel_def_text}")
  set(korvel_def ${CMAKE_CURRENT_BINARY_DIR}/Korvel.def)
  file(WRITE ${korvel_def} "${korvel_def_text}")
endif()

set_target_properties(korvel PROPERTIES
  PREFIX ""
  OUTPUT_NAME Korvel
  LINK_DEPENDS ${korvel_def}
)
target_link_options(korvel PRIVATE ${korvel_def} -Wl,--kill-at -static)
add_custom_command(TARGET korvel POST_BUILD
  COMMAND ${CMAKE_DLLTOOL} -d ${korvel_def} -D $<TARGET_FILE_NAME:korvel> -k -l $<TARGET_LINKER_FILE:korvel>
  COMMENT "Import library for Korvel.dll"
  VERBATIM
)

# The entry point that makes and frees the library's state.
target_sources(korvel PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DllMain.cpp)
