# What `cmake --install` and `cpack` hand to users: the CMake package
# (find_package(dbui)), dbui.pc for pkg-config, and the Debian packages
# libdbui0 (the shared libraries), libdbui-dev (headers, CMake package,
# pkg-config file, link libraries) and dbui-tools (dbui-editor and nodedb).
include(CMakePackageConfigHelpers)

set(DBUI_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dbui)
install(EXPORT dbuiTargets NAMESPACE dbui:: DESTINATION ${DBUI_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/dbuiConfig.cmake.in ${PROJECT_BINARY_DIR}/dbuiConfig.cmake
  INSTALL_DESTINATION ${DBUI_CMAKE_DIR})
# 0.x releases promise what 1.x ones will: the same major version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/dbuiConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/dbuiConfig.cmake ${PROJECT_BINARY_DIR}/dbuiConfigVersion.cmake
  DESTINATION ${DBUI_CMAKE_DIR} COMPONENT dev)
install(FILES cmake/WxWidgets.cmake RENAME DbuiWxWidgets.cmake DESTINATION ${DBUI_CMAKE_DIR} COMPONENT dev)

# pkg-config: the prefix is found from the file's own place, so an installed
# tree can move; wxWidgets has no .pc of its own, so its flags are written in.
if(TARGET dbui)
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  file(RELATIVE_PATH DBUI_PC_TO_PREFIX /prefix/${pc_dir} /prefix)
  list(TRANSFORM wxWidgets_INCLUDE_DIRS PREPEND "-I" OUTPUT_VARIABLE pc_cflags)
  list(TRANSFORM wxWidgets_DEFINITIONS PREPEND "-D" OUTPUT_VARIABLE pc_defines)
  list(JOIN pc_cflags " " pc_cflags)
  list(JOIN pc_defines " " pc_defines)
  string(JOIN " " DBUI_PC_CFLAGS ${pc_cflags} ${pc_defines} ${wxWidgets_CXX_FLAGS})
  list(JOIN wxWidgets_LIBRARIES " " DBUI_PC_LIBS)
  if(BUILD_SHARED_LIBS)
    set(DBUI_PC_STATIC_LINES "")
  else()
    set(DBUI_PC_STATIC_LINES "Requires.private: pugixml zlib libdeflate gtk+-3.0 absl_flat_hash_map")
  endif()
  configure_file(cmake/dbui.pc.in ${PROJECT_BINARY_DIR}/dbui.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/dbui.pc DESTINATION ${pc_dir} COMPONENT dev)
endif()

# Installed programs and libraries find our libraries beside them, wherever
# the tree was installed; system folders need no search path.
list(FIND CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES ${CMAKE_INSTALL_FULL_LIBDIR} system_libdir)
if(system_libdir EQUAL -1)
  set_target_properties(nodedb PROPERTIES INSTALL_RPATH "$ORIGIN")
  foreach(target toolkit dbui)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    endif()
  endforeach()
  foreach(program nodedb-tool dbui-editor)
    if(TARGET ${program})
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    endif()
  endforeach()
endif()

# Debian packages: `cpack -G DEB` in the build folder. Each component's
# description begins with its one-line summary.
set(CPACK_PACKAGE_NAME dbui)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "dbui")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "dbui developers <dbui@localhost>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries: dpkg-shlibdeps finds them where they were built, and the
# component dependencies below name their package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "")
foreach(target nodedb toolkit dbui)
  if(TARGET ${target})
    get_target_property(dir ${target} BINARY_DIR)
    list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${dir})
  endif()
endforeach()
set(CPACK_COMPONENTS_ALL runtime dev tools)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libdbui${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Windows for viewing and editing a node database: shared libraries
The dbui library (attribute editors, node tree, inspector, document and debug
panel on wxWidgets), the node database it edits and the widget toolkit it is
written against.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libdbui-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libwxgtk3.2-dev")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Windows for viewing and editing a node database: development files
Headers, the CMake package (find_package(dbui)), dbui.pc and the link
libraries of dbui, the node database and the widget toolkit, and the opt-in
live-block counter of the debug panel.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME dbui-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "Node database editor and command-line tool
dbui-editor opens, edits and saves node database documents; nodedb
validates, converts and inspects their files. With the sample scene and its
schema.")

include(CPack)
