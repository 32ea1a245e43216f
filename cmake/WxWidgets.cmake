# wxWidgets as one imported target, dbui::wx, whose headers are system headers
# so that their warnings stay out of ours. The CMake package installs this file
# and runs it again in the host's project, after finding wxWidgets there.
if(NOT TARGET dbui::wx)
  if(NOT wxWidgets_FOUND)
    find_package(wxWidgets 3.2 REQUIRED COMPONENTS stc aui core base)
  endif()
  add_library(dbui::wx INTERFACE IMPORTED)
  set_target_properties(dbui::wx PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${wxWidgets_INCLUDE_DIRS}"
    INTERFACE_COMPILE_DEFINITIONS "${wxWidgets_DEFINITIONS}"
    INTERFACE_COMPILE_OPTIONS "${wxWidgets_CXX_FLAGS}"
    INTERFACE_LINK_LIBRARIES "${wxWidgets_LIBRARIES}")
endif()
