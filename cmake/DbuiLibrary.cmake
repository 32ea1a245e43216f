# dbui_library(<target> OUTPUT_NAME <file name> EXPORT_NAME <name after dbui::>
#              EXPORT_MACRO <macro> EXPORT_HEADER <path under include/>)
#
# Makes one of our libraries installable. Shared (the default, BUILD_SHARED_LIBS)
# it gets the SONAME lib<name>.so.<major>, and only what the public headers mark
# with the export macro leaves it: everything else is hidden, and the linker keeps
# no symbol outside our namespaces (cmake/exported-symbols.map), not even the
# standard library's templates instantiated inside it. The export header is
# generated into the build tree and installed beside the public headers.
include(GenerateExportHeader)

function(dbui_library target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME;EXPORT_NAME;EXPORT_MACRO;EXPORT_HEADER" "" ${ARGN})
  add_library(dbui::${ARG_EXPORT_NAME} ALIAS ${target})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_OUTPUT_NAME}
    EXPORT_NAME ${ARG_EXPORT_NAME}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)

  string(REGEX REPLACE "_EXPORT$" "" base ${ARG_EXPORT_MACRO})
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated-include)
  generate_export_header(${target}
    BASE_NAME ${base}
    EXPORT_MACRO_NAME ${ARG_EXPORT_MACRO}
    EXPORT_FILE_NAME ${generated}/${ARG_EXPORT_HEADER})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${generated}>)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    target_compile_definitions(${target} PUBLIC ${base}_STATIC_DEFINE)
  else()
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/exported-symbols.map)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/exported-symbols.map)
  endif()

  get_filename_component(header_dir ${ARG_EXPORT_HEADER} DIRECTORY)
  install(FILES ${generated}/${ARG_EXPORT_HEADER}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${header_dir} COMPONENT dev)
  install(TARGETS ${target} EXPORT dbuiTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()
