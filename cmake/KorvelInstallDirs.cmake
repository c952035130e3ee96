# Where the files go that live outside bin/, lib/ and include/. Every
# destination is relative to the prefix given at install time, so that
# `cmake --install build --prefix P` puts everything under P, except the
# udev rules of a build for /usr on a system whose udev reads them from
# outside /usr (Debian 12: /lib/udev).
#   KORVEL_UDEV_RULES_DIR      the udev rule
#   KORVEL_BASH_COMPLETION_DIR korvelctl's bash completion
# and korvel_pc_prefix, the way from korvel.pc's folder to the prefix.
find_package(PkgConfig QUIET)

# Turns an absolute directory that pkg-config reports for a package
# installed under /usr into one relative to the prefix.
function(korvel_relative_to_usr out dir fallback)
  if(dir MATCHES "^/usr/(.+)$")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "${fallback}" PARENT_SCOPE)
  endif()
endfunction()

set(KORVEL_UDEV_RULES_DIR "" CACHE PATH "Where the udev rule goes (empty: lib/udev/rules.d under the prefix, or udev's own folder for /usr)")
set(korvel_udev_rules_dir "${KORVEL_UDEV_RULES_DIR}")
if(NOT korvel_udev_rules_dir)
  set(korvel_udev_rules_dir lib/udev/rules.d) # udev also reads /usr/local/lib/udev/rules.d
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND PKG_CONFIG_FOUND)
    pkg_get_variable(korvel_udevdir udev udevdir)
    if(korvel_udevdir MATCHES "^/usr/")
      korvel_relative_to_usr(korvel_udev_rules_dir "${korvel_udevdir}/rules.d" lib/udev/rules.d)
    elseif(korvel_udevdir)
      set(korvel_udev_rules_dir "${korvel_udevdir}/rules.d")
    endif()
  endif()
endif()

set(KORVEL_BASH_COMPLETION_DIR "" CACHE PATH "Where korvelctl's bash completion goes (empty: bash-completion's folder under the prefix)")
set(korvel_bash_completion_dir "${KORVEL_BASH_COMPLETION_DIR}")
if(NOT korvel_bash_completion_dir)
  set(korvel_completionsdir "")
  if(PKG_CONFIG_FOUND)
    pkg_get_variable(korvel_completionsdir bash-completion completionsdir)
  endif()
  korvel_relative_to_usr(korvel_bash_completion_dir "${korvel_completionsdir}" share/bash-completion/completions)
endif()

# korvel.pc finds the prefix from its own place (${pcfiledir}).
file(RELATIVE_PATH korvel_pc_prefix "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" korvel_pc_prefix "${korvel_pc_prefix}")
