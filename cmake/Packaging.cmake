# `make package`: a Debian package of the installed layout, built by CPack
# from the release build. The package holds the programs, the libraries
# they load, the plug-ins with the worker, and the desktop files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vex3d)
set(CPACK_PACKAGE_VENDOR "Vex3D developers")
set(CPACK_PACKAGE_CONTACT "Vex3D developers <vex3d@users.noreply.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preview, inspect, convert and thumbnail 3D files")
set(CPACK_PACKAGE_DESCRIPTION
  "Vex3D reads 3D files into a scene through format plug-ins, shows them in an\n\
OpenGL viewer, converts them to other 3D formats and renders images and\n\
thumbnails without a display. It installs a thumbnailer for file managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vex3d.invalid/")
# Dependencies from the libraries the binaries link, as dpkg finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries lie in the system's library folder: the linker cache is
# refreshed by dpkg's trigger.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/package/triggers)

# Debian wants the licence terms and a change log with every package.
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/vex3d)
install(FILES ${PROJECT_SOURCE_DIR}/data/package/copyright DESTINATION ${_doc})
set(_changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/package/changelog > ${_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/package/changelog)
add_custom_target(vex3d_changelog ALL DEPENDS ${_changelog})
install(FILES ${_changelog} DESTINATION ${_doc})

include(CPack)
