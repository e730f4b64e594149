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
