# `cmake --build <build> --target docs`: the API reference of the public
# headers, in <build>/docs/html. Every public class and function must carry a
# comment: an undocumented one fails the build, and the test command runs the
# same check (test api_reference).
find_package(Doxygen)
if(NOT DOXYGEN_FOUND)
  message(STATUS "Doxygen not found: no docs target (apt-get install doxygen)")
  return()
endif()

set(DOXYGEN_PROJECT_NAME dbui)
set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/docs/api.md)
set(DOXYGEN_FILE_PATTERNS *.h)
set(DOXYGEN_RECURSIVE YES)
set(DOXYGEN_EXCLUDE_PATTERNS */detail/*)
set(DOXYGEN_EXCLUDE_SYMBOLS *::detail *::detail::*)
set(DOXYGEN_STRIP_FROM_INC_PATH ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/interfaces/nodedb/include
  ${PROJECT_SOURCE_DIR}/interfaces/toolkit/include ${PROJECT_SOURCE_DIR}/interfaces/foundations/include)
set(DOXYGEN_STRIP_FROM_PATH ${PROJECT_SOURCE_DIR})
set(DOXYGEN_JAVADOC_AUTOBRIEF YES)
set(DOXYGEN_DISTRIBUTE_GROUP_DOC YES)
set(DOXYGEN_EXTRACT_ALL NO)
set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
set(DOXYGEN_WARN_NO_PARAMDOC NO)
set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
set(DOXYGEN_QUIET YES)
set(DOXYGEN_HAVE_DOT NO)
set(DOXYGEN_GENERATE_TREEVIEW YES)
# The export macros mean nothing to readers; the event declarations become the
# variables they declare.
set(DOXYGEN_MACRO_EXPANSION YES)
set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
set(DOXYGEN_PREDEFINED DBUI_EXPORT= DBUI_NODEDB_EXPORT= DBUI_TOOLKIT_EXPORT=
  "wxDECLARE_EXPORTED_EVENT(e,n,t)=extern const wxEventTypeTag<t> n")

doxygen_add_docs(docs
  ${PROJECT_SOURCE_DIR}/docs/api.md
  ${PROJECT_SOURCE_DIR}/include
  ${PROJECT_SOURCE_DIR}/interfaces/nodedb/include
  ${PROJECT_SOURCE_DIR}/interfaces/toolkit/include
  ${PROJECT_SOURCE_DIR}/interfaces/foundations/include
  COMMENT "API reference in ${PROJECT_BINARY_DIR}/docs/html")

if(DBUI_BUILD_TESTS)
  add_test(NAME api_reference COMMAND Doxygen::doxygen ${PROJECT_BINARY_DIR}/Doxyfile.docs
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
endif()
