# A Debian package of the installed files: `cpack --config build/CPackConfig.cmake -B DIR`
# (scripts/run-tests builds and checks it). Library dependencies come from dpkg-shlibdeps;
# ffmpeg is a dependency because every conversion runs it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidmorph)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vidmorph maintainers <maintainers@vidmorph.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch video converter using ffmpeg")
# CPack puts the summary first and indents these lines itself.
set(CPACK_PACKAGE_DESCRIPTION "Vidmorph converts many videos in one go. Collect source videos in a list,
give each an output profile and an output folder, and press Convert: each
entry is converted by ffmpeg, one after another, and an existing file is
never overwritten. The headless tool vidmorph-batch converts saved lists
or files from a terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian's documentation files: the copyright statement and the compressed changelog (named as a
# native package's, since the version has no Debian revision).
execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog
  OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION share/doc/vidmorph)
include(CPack)
