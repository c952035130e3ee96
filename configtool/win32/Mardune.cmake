# Mardune.exe, the tool on Windows (included by configtool/CMakeLists.txt in
# a MinGW build): the pages' handlers of configtool/, the Win32 binding of
# the tool's controls (configtool/win32), its OS code (configtool/os/win32),
# and its windows, generated at build time from the same .ui designs the Qt
# tool loads. Resources by windres: icon, manifest, version, pictures.
include(ExternalProject)

set(mardune_generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(mardune_resources ${CMAKE_CURRENT_SOURCE_DIR}/resources)

# The generator runs on the build machine: built with its own compiler.
set(mardune_uigen ${CMAKE_CURRENT_BINARY_DIR}/uigen/mardune_uigen)
ExternalProject_Add(mardune_uigen_host
  SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tools/uigen
  BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/uigen
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${mardune_uigen}
)

# Each design: ui_<name>.h/.cpp (Ui::<class> and its control table) and
# <name>Ids.h (the control IDs, for the tests that drive the windows).
set(mardune_design_sources "")
foreach(design Unit1 UpDnFrm SplashScreen)
  set(outputs ${mardune_generated}/ui_${design}.h ${mardune_generated}/ui_${design}.cpp
              ${mardune_generated}/${design}Ids.h)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${mardune_uigen} ${mardune_resources}/${design}.ui ${mardune_generated}
    DEPENDS ${mardune_resources}/${design}.ui mardune_uigen_host ${mardune_uigen}
    COMMENT "Window design ${design}.ui for Win32"
    VERBATIM)
  list(APPEND mardune_design_sources ${outputs})
endforeach()

# The control IDs alone, for test programs that drive the windows.
add_custom_target(mardune_designs DEPENDS ${mardune_design_sources})
add_library(mardune_design_ids INTERFACE)
target_include_directories(mardune_design_ids INTERFACE ${mardune_generated})
add_dependencies(mardune_design_ids mardune_designs)

# The pictures: each SVG rendered to a bitmap (with its alpha channel; the
# splash as the 24-bit picture it is), and the icon in the sizes Windows
# shows.
find_program(MARDUNE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(MARDUNE_IMAGEMAGICK convert REQUIRED)
set(mardune_pictures ${CMAKE_CURRENT_BINARY_DIR}/pictures)
file(MAKE_DIRECTORY ${mardune_pictures})
set(mardune_bitmaps "")
set(mardune_bitmap_lines "")
foreach(picture header header-mifare logo splash)
  string(TOUPPER ${picture} resource)
  string(REPLACE "-" "_" resource ${resource})
  if(picture STREQUAL "splash")
    set(format -background white -alpha remove -type TrueColor BMP3:${mardune_pictures}/${picture}.bmp)
  else()
    set(format -define bmp3:alpha=true BMP3:${mardune_pictures}/${picture}.bmp)
  endif()
  add_custom_command(OUTPUT ${mardune_pictures}/${picture}.bmp
    COMMAND ${MARDUNE_RSVG_CONVERT} -o ${mardune_pictures}/${picture}.png ${mardune_resources}/${picture}.svg
    COMMAND ${MARDUNE_IMAGEMAGICK} ${mardune_pictures}/${picture}.png ${format}
    DEPENDS ${mardune_resources}/${picture}.svg
    VERBATIM)
  list(APPEND mardune_bitmaps ${mardune_pictures}/${picture}.bmp)
  string(APPEND mardune_bitmap_lines "${resource} BITMAP \"${mardune_pictures}/${picture}.bmp\"\n")
endforeach()
set(icon_pngs "")
set(icon_commands "")
foreach(size 16 24 32 48 256)
  list(APPEND icon_commands COMMAND ${MARDUNE_RSVG_CONVERT} -w ${size} -h ${size}
       -o ${mardune_pictures}/icon-${size}.png ${mardune_resources}/logo.svg)
  list(APPEND icon_pngs ${mardune_pictures}/icon-${size}.png)
endforeach()
add_custom_command(OUTPUT ${mardune_pictures}/Mardune.ico
  ${icon_commands}
  COMMAND ${MARDUNE_IMAGEMAGICK} ${icon_pngs} ${mardune_pictures}/Mardune.ico
  DEPENDS ${mardune_resources}/logo.svg
  VERBATIM)

# Manifest and resource script.
string(REGEX REPLACE "\\." "," MARDUNE_VERSION_COMMAS "${PROJECT_VERSION}.0")
set(MARDUNE_VERSION4 "${PROJECT_VERSION}.0")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MARDUNE_MANIFEST_ARCH amd64)
else()
  set(MARDUNE_MANIFEST_ARCH x86)
endif()
set(MARDUNE_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/Mardune.manifest)
set(MARDUNE_PICTURES ${mardune_pictures})
set(MARDUNE_BITMAPS "${mardune_bitmap_lines}")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/win32/Mardune.manifest ${MARDUNE_MANIFEST} @ONLY)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/win32/Mardune.rc.in ${CMAKE_CURRENT_BINARY_DIR}/Mardune.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/Mardune.rc PROPERTIES
  OBJECT_DEPENDS "${mardune_bitmaps};${mardune_pictures}/Mardune.ico;${MARDUNE_MANIFEST}")

# The Win32 binding of the tool's controls, the generated windows, and the
# tool's OS code on Windows.
add_library(mardune_win32_binding STATIC
  win32/CheckPrevious.cpp win32/CheckPrevious.h
  win32/Controls.cpp win32/Controls.h
  win32/Design.h
  win32/DeviceMonitor.cpp win32/DeviceMonitor.h
  win32/Forms.cpp win32/Forms.h
  win32/SplashScreen.cpp win32/SplashScreen.h
  win32/Text.cpp win32/Text.h
  win32/ToolkitDialogs.cpp win32/ToolkitDialogs.h
  os/Shell.h os/SystemText.h
  os/win32/DeviceNotification.cpp os/win32/DeviceNotification.h
  os/win32/InstanceBlock.cpp os/win32/InstanceBlock.h
  os/win32/Shell.cpp
  os/win32/SystemText.cpp
  ${mardune_design_sources}
)
target_include_directories(mardune_win32_binding PUBLIC
  ${CMAKE_CURRENT_SOURCE_DIR}/win32 ${CMAKE_CURRENT_SOURCE_DIR} ${mardune_generated})
target_compile_definitions(mardune_win32_binding PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                        _WIN32_WINNT=0x0601)
target_link_libraries(mardune_win32_binding PUBLIC comctl32 comdlg32 gdi32 msimg32 uxtheme user32 shell32 hid)

# Mardune.exe: the pages' handlers over the Win32 binding, linked at load
# time against Korvel.dll (the twenty configuration functions by name; the
# import table check in tests/win32 proves it), with the MinGW runtime
# linked in, so that it needs nothing but the system's DLLs and Korvel.dll.
add_executable(mardune WIN32
  CommandLine.cpp CommandLine.h
  DebugOutput.cpp DebugOutput.h
  DeviceText.cpp DeviceText.h
  Dialogs.cpp Dialogs.h
  DllImport.cpp DllImport.h
  ReportLastError.cpp ReportLastError.h
  ReportPage.cpp ReportPage.h
  SplashTiming.h
  ToolHook.cpp ToolHook.h
  UnexpectedError.cpp UnexpectedError.h
  Unit1.cpp Unit1.h
  Unit1Analyze.cpp Unit1CardCode.cpp Unit1Files.cpp Unit1Reports.cpp Unit1Settings.cpp
  UpDnFrm.cpp UpDnFrm.h
  os/win32/TickCount.cpp
  win32/WinMain.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/Mardune.rc
)
set_source_files_properties(CommandLine.cpp PROPERTIES COMPILE_DEFINITIONS MARDUNE_VERSION="${PROJECT_VERSION}")
target_link_libraries(mardune PRIVATE mardune_win32_binding korvel korvel_readerconfig)
target_link_options(mardune PRIVATE -static -municode)
set_target_properties(mardune PROPERTIES OUTPUT_NAME Mardune)
# Korvel.dll beside it, where the loader looks first.
add_custom_command(TARGET mardune POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:korvel> $<TARGET_FILE_DIR:mardune>
  VERBATIM)

# The installer (packaging/windows/Mardune.nsi), made by makensis.
find_program(MARDUNE_MAKENSIS makensis REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(mardune_installer_arch x64)
else()
  set(mardune_installer_arch x86)
endif()
set(mardune_installer ${CMAKE_CURRENT_BINARY_DIR}/Mardune-${PROJECT_VERSION}-${mardune_installer_arch}-setup.exe)
add_custom_command(OUTPUT ${mardune_installer}
  COMMAND ${MARDUNE_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DARCH=${mardune_installer_arch}
          -DEXE=$<TARGET_FILE:mardune> -DDLL=$<TARGET_FILE:korvel> -DICON=${mardune_pictures}/Mardune.ico
          -DOUTFILE=${mardune_installer} ${PROJECT_SOURCE_DIR}/packaging/windows/Mardune.nsi
  DEPENDS mardune korvel ${PROJECT_SOURCE_DIR}/packaging/windows/Mardune.nsi ${mardune_pictures}/Mardune.ico
  COMMENT "Installer ${mardune_installer}"
  VERBATIM)
add_custom_target(mardune_installer ALL DEPENDS ${mardune_installer})
set_target_properties(mardune_installer PROPERTIES INSTALLER_FILE ${mardune_installer})
