# Run by CPack on its staging tree before it packs (CPACK_PRE_BUILD_SCRIPTS):
# adds to each package what Debian's own packaging tools would, so that
# `cmake --install` stays as it is: the copyright file and the changelog in
# /usr/share/doc/PACKAGE, and the manual pages compressed. gzip -n leaves
# out the name and time, so the same sources give the same packages.
cmake_minimum_required(VERSION 3.25)

function(gzip_into source target)
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${target} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${source}: ${status}")
  endif()
  file(CHMOD ${target} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# The staging tree holds one folder per component.
file(GLOB components LIST_DIRECTORIES true RELATIVE "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_TEMPORARY_DIRECTORY}/*")
if(NOT components)
  message(FATAL_ERROR "no components staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(component IN LISTS components)
  string(TOUPPER "${component}" upper)
  set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  set(root "${CPACK_TEMPORARY_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX}")
  if(NOT package OR NOT IS_DIRECTORY "${root}")
    message(FATAL_ERROR "no package name or staged files for the component ${component} (${root})")
  endif()
  set(doc "${root}/share/doc/${package}")
  file(MAKE_DIRECTORY "${doc}")
  # (file(COPY), not file(INSTALL): that would put DESTDIR in front.)
  file(COPY "${CPACK_KORVEL_COPYRIGHT}" DESTINATION "${doc}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  gzip_into("${CPACK_KORVEL_CHANGELOG}" "${doc}/changelog.Debian.gz")
  file(GLOB pages "${root}/share/man/man[1-9]/*.[1-9]")
  foreach(page IN LISTS pages)
    gzip_into("${page}" "${page}.gz")
    file(REMOVE "${page}")
  endforeach()
endforeach()
