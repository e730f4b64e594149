# Install layout: `cmake --install build --prefix P` gives
#   P/bin/vidmorph, P/bin/vidmorph-batch      the programs (the skin is embedded in vidmorph)
#   P/share/vidmorph/command                  the profile file
#   P/share/applications, P/share/icons, P/share/metainfo, P/share/man   desktop integration
# The programs find the profile file there because no "command" lies beside them (see
# platform::DataFolder); the build folder's app/ keeps the portable layout. ffmpeg is not
# installed: the installed programs take the one on PATH.
include(GNUInstallDirs)
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
  message(FATAL_ERROR "The programs look for their data in ../share/vidmorph/ beside bin/; "
    "keep CMAKE_INSTALL_BINDIR=bin and CMAKE_INSTALL_DATADIR=share")
endif()

install(TARGETS vidmorph-batch RUNTIME DESTINATION bin)
if(TARGET vidmorph)
  install(TARGETS vidmorph RUNTIME DESTINATION bin)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/assets/command DESTINATION share/vidmorph)

# Desktop integration: the menu entry, its metainfo and the icon in the hicolor sizes (drawn by
# tools/skinPictures --icons). The application's id is org.example.vidmorph until the project has
# a domain of its own. Only with the desktop program: a menu entry must not point at nothing.
set(VIDMORPH_APP_ID org.example.vidmorph)
set(_pages vidmorph-batch.1)
if(TARGET vidmorph)
  list(APPEND _pages vidmorph.1)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VIDMORPH_APP_ID}.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VIDMORPH_APP_ID}.metainfo.xml DESTINATION share/metainfo)
  foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/${_size}x${_size}/vidmorph.png
      DESTINATION share/icons/hicolor/${_size}x${_size}/apps)
  endforeach()
endif()

# Man pages, compressed as Debian wants them (-n: no time stamp, so builds are reproducible).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
foreach(_page ${_pages})
  set(_source ${CMAKE_SOURCE_DIR}/packaging/${_page})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_source})
  execute_process(COMMAND gzip -9nc ${_source} OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/${_page}.gz
    COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${_page}.gz DESTINATION share/man/man1)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/VidmorphPackage.cmake)
