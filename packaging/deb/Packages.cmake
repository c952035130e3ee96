# The Debian packages, one per install component:
#   libkorvel1        the library and its udev rule
#   libkorvel-dev     korvel.h, korvel.pc, the CMake package
#   mardune           the configuration tool and its desktop files
#   korvelctl         the command-line tool and its bash completion
#   korvel-readersim  the virtual reader
# Built from a build configured for /usr: `cmake --workflow --preset package`
# (see the README); packaging/deb/check-packages checks them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "Korvel Project")
set(CPACK_PACKAGE_CONTACT "Korvel Project <korvel@users.noreply.github.com>" CACHE STRING "Maintainer of the .deb packages")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Version 1.0.0-1: the upstream version and the packaging's own revision,
# whose history is the changelog below.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON) # for libkorvel1, the one package with a library
# libkorvel.so.1 comes from this build, not from an installed package: the
# component dependencies below name its package instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/readerlib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVEL_PROJECT_URL}")

# Each package: its name, section, synopsis and long description (CPack
# indents the lines after the first). The synopsis is the first line of each
# package's own description: no summary common to all goes before it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkorvel1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/libkorvel1/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "access library for Korvel USB RFID card readers
The shared library libkorvel.so.1 finds a Korvel USB RFID card reader, a
device that types card codes as a keyboard, and offers its configuration,
identity, card code and raw channel through a plain C interface. The udev
rule gives the user at the seat access to the reader.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkorvel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "development files of the Korvel card reader library
The header korvel.h, the pkg-config file korvel.pc and the CMake package
Korvel (target Korvel::korvel), for programs that use libkorvel.so.1.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME mardune)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
# The window pictures are SVG, drawn by a plugin that nothing links.
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS libqt6svg6)
# The window is laid out in pixels for Tahoma; the tool asks for Liberation
# Sans, its free stand-in of about the same widths, by name. With a wider
# face (DejaVu Sans, Debian's default) the tabs need scroll arrows and some
# labels touch: it still works, so a recommendation, which apt installs by
# default.
set(CPACK_DEBIAN_TOOL_PACKAGE_RECOMMENDS "fonts-liberation | fonts-liberation2")
set(CPACK_DEBIAN_TOOL_DESCRIPTION "configuration tool for Korvel USB RFID card readers
Mardune, the USB RFID Configuration Tool, shows whether a Korvel card
reader is attached, edits each group of its settings on its own page,
watches card codes arrive, and saves and loads the reader's .rfc
configuration files.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME korvelctl)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CLI_DESCRIPTION "Korvel USB RFID card reader from the command line
korvelctl reads and writes the settings of a Korvel USB RFID card reader,
saves and loads .rfc configuration files, watches the cards the reader
reads and uses the raw channel of its advanced mode, for scripts and
headless machines.")

set(CPACK_DEBIAN_READERSIM_PACKAGE_NAME korvel-readersim)
set(CPACK_DEBIAN_READERSIM_PACKAGE_SECTION devel)
# readersim puts the umockdev preload library into the programs it starts.
set(CPACK_DEBIAN_READERSIM_PACKAGE_DEPENDS umockdev)
set(CPACK_DEBIAN_READERSIM_DESCRIPTION "virtual Korvel card reader on a fake USB bus
readersim runs a command with a virtual Korvel USB RFID card reader
plugged into a umockdev test bed, for trying the tools and testing
applications without the device.")

# What Debian's own packaging tools would add to each package: the
# copyright file and the changelog in /usr/share/doc/PACKAGE, and manual
# pages compressed (packaging/deb/DebianDocs.cmake, run on CPack's staging
# tree, so that `cmake --install` stays as it is).
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(CPACK_KORVEL_COPYRIGHT ${PROJECT_BINARY_DIR}/packaging/copyright)
set(CPACK_KORVEL_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianDocs.cmake)

include(CPack)
cpack_add_component(runtime DISPLAY_NAME "Korvel library")
cpack_add_component(development DISPLAY_NAME "Korvel development files" DEPENDS runtime)
if(TARGET mardune)
  cpack_add_component(tool DISPLAY_NAME "Mardune" DEPENDS runtime)
endif()
cpack_add_component(cli DISPLAY_NAME "korvelctl" DEPENDS runtime)
if(TARGET readersim)
  cpack_add_component(readersim DISPLAY_NAME "Korvel virtual reader")
endif()
