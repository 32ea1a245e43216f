# dbui_add_test(NAME SOURCES ... LIBS ... [WINDOWS])
# One GoogleTest program per area. WINDOWS marks programs that open windows:
# they need the X display that scripts/test provides through Xvfb.
function(dbui_add_test name)
  cmake_parse_arguments(ARG "WINDOWS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  dbui_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_WINDOWS)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(ARG_WINDOWS)
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "GDK_BACKEND=x11;NO_AT_BRIDGE=1"
      LABELS windows)
  endif()
endfunction()
