# Wraps FindwxWidgets' variables into one interface target, with wxWidgets'
# headers as system headers so their warnings stay out of ours.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS stc aui core base)
add_library(wxwidgets INTERFACE)
target_include_directories(wxwidgets SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(wxwidgets INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(wxwidgets INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(wxwidgets INTERFACE ${wxWidgets_LIBRARIES})
add_library(wx::wx ALIAS wxwidgets)
