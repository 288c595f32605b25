# What a plug-in writer builds against: the headers of the core libraries,
# the libraries themselves as imported targets (find_package(Vex3D)) and a
# pkg-config file. A plug-in reaches the host layer and the scene model
# only; drawing and windows stay private, so their headers are not shipped.
include(CMakePackageConfigHelpers)

set(VEX3D_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/vex3d)
set(VEX3D_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vex3D)

# Same relative paths as in the tree, so that "hostlib/io/plugin_api.h"
# reads the same in and out of it. Private headers stay behind, and so do
# the window controls of the host layer (Qt).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/hostlib ${PROJECT_SOURCE_DIR}/src/math
  ${PROJECT_SOURCE_DIR}/src/mesh ${PROJECT_SOURCE_DIR}/src/material
  ${PROJECT_SOURCE_DIR}/src/animation ${PROJECT_SOURCE_DIR}/src/scene
  ${PROJECT_SOURCE_DIR}/src/io ${PROJECT_SOURCE_DIR}/src/shared
  DESTINATION ${VEX3D_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h"
  PATTERN "internal" EXCLUDE
  REGEX "/hostlib/ui$" EXCLUDE)
# The generated ones those include.
install(FILES ${CMAKE_BINARY_DIR}/include/vex3d_export.h DESTINATION ${VEX3D_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_BINARY_DIR}/include/hostlib/hostlib_export.h
  DESTINATION ${VEX3D_INSTALL_INCLUDEDIR}/hostlib)
install(FILES ${CMAKE_BINARY_DIR}/include/hostlib/text/string_ids.h
  DESTINATION ${VEX3D_INSTALL_INCLUDEDIR}/hostlib/text)

# The targets carry their installed include folder themselves
# (src/CMakeLists.txt).
install(TARGETS vexhost vex3dlib EXPORT Vex3DTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT Vex3DTargets NAMESPACE Vex3D:: DESTINATION ${VEX3D_INSTALL_CMAKEDIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Vex3DConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/Vex3DConfig.cmake
  INSTALL_DESTINATION ${VEX3D_INSTALL_CMAKEDIR}
  PATH_VARS VEX3D_INSTALL_INCLUDEDIR VEX3D_INSTALL_PLUGINDIR)
# The libraries' ABI changes with every minor version until 1.0: a plug-in
# built for 0.1 is refused by 0.2, so the package says the same.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/Vex3DConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/Vex3DConfig.cmake
  ${CMAKE_BINARY_DIR}/package/Vex3DConfigVersion.cmake DESTINATION ${VEX3D_INSTALL_CMAKEDIR})

# pkg-config finds the prefix from where the file lies, as the CMake package
# does, so that an install moved elsewhere (or unpacked from the package
# into a scratch root) still describes itself.
set(_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${_pc_dir}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(VEX3D_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH _up /prefix/${_pc_dir} /prefix)
  string(REGEX REPLACE "/$" "" _up "${_up}")
  set(VEX3D_PC_PREFIX "\${pcfiledir}/${_up}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/vex3d.pc.in ${CMAKE_BINARY_DIR}/package/vex3d.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/vex3d.pc DESTINATION ${_pc_dir})
