# Warnings and sanitizers as usage requirements of one interface target,
# korvel_build_flags, which korvel_use_build_flags() links into every target
# the project itself defines (not into code of other projects built beside
# it, nor into a project that embeds this one).
#   KORVEL_SANITIZE  address and undefined-behaviour sanitizers
#   KORVEL_TSAN      thread sanitizer
#   KORVEL_BUILD_FUZZERS  libFuzzer's coverage with the address and
#                    undefined-behaviour sanitizers (clang); only the
#                    harnesses of tests/fuzz link libFuzzer's driver
if(KORVEL_SANITIZE AND KORVEL_TSAN)
  message(FATAL_ERROR "KORVEL_SANITIZE and KORVEL_TSAN cannot be combined: the thread sanitizer runs alone")
endif()
if(KORVEL_BUILD_FUZZERS AND (KORVEL_SANITIZE OR KORVEL_TSAN))
  message(FATAL_ERROR "KORVEL_BUILD_FUZZERS brings its own sanitizers: leave KORVEL_SANITIZE and KORVEL_TSAN off")
endif()

add_library(korvel_build_flags INTERFACE)
target_compile_options(korvel_build_flags INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra>)
if(KORVEL_SANITIZE)
  target_compile_options(korvel_build_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(korvel_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(KORVEL_TSAN)
  target_compile_options(korvel_build_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(korvel_build_flags INTERFACE -fsanitize=thread)
endif()
if(KORVEL_BUILD_FUZZERS)
  # With the standard library's checks of every index and iterator too.
  target_compile_options(korvel_build_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS)
  target_link_options(korvel_build_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
endif()

# Links korvel_build_flags into every compiled target of DIR and the
# directories below it that belong to this source tree. Called once, after
# the last add_subdirectory, so that folders need not remember it.
function(korvel_use_build_flags dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      # The property, not target_link_libraries: it works whichever
      # signature the folder used, and adds nothing to exported interfaces.
      set_property(TARGET ${target} APPEND PROPERTY LINK_LIBRARIES korvel_build_flags)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${subdir}" NORMALIZE inside)
    if(inside)
      korvel_use_build_flags(${subdir})
    endif()
  endforeach()
endfunction()
