# Compiles through ccache where it is installed. The base directory is the
# source tree's parent, so that two clones side by side (a second checkout,
# a CI run) share their objects instead of building everything again.
option(DBUI_CCACHE "Compile through ccache when it is installed" ON)
find_program(DBUI_CCACHE_PROGRAM ccache)
if(DBUI_CCACHE AND DBUI_CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  get_filename_component(_dbui_ccache_base "${CMAKE_SOURCE_DIR}/.." ABSOLUTE)
  set(_dbui_launcher "${CMAKE_COMMAND};-E;env;CCACHE_BASEDIR=${_dbui_ccache_base};CCACHE_NOHASHDIR=1;CCACHE_SLOPPINESS=include_file_mtime,include_file_ctime,time_macros;${DBUI_CCACHE_PROGRAM}")
  set(CMAKE_C_COMPILER_LAUNCHER "${_dbui_launcher}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${_dbui_launcher}")
endif()
