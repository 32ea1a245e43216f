# dbui_embed_icons(<target> <folder of .svg files> <generated .cpp>)
#
# The views' icons are drawn as SVG; at build time rsvg-convert (Debian's
# librsvg2-bin) renders each to a 16 by 16 PNG, and the PNGs are compiled into
# <target> as byte arrays (see src/views/EmbeddedIcons.h), so that the library
# carries them wherever it is installed.
find_program(DBUI_RSVG_CONVERT rsvg-convert REQUIRED)

function(dbui_embed_icons target folder output)
  file(GLOB svgs CONFIGURE_DEPENDS ${folder}/*.svg)
  list(SORT svgs)
  set(pngs)
  foreach(svg IN LISTS svgs)
    get_filename_component(name ${svg} NAME_WE)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${name}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons
      COMMAND ${DBUI_RSVG_CONVERT} --width 16 --height 16 --output ${png} ${svg}
      DEPENDS ${svg}
      COMMENT "Rendering icon ${name}"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} "-DPNGS=${pngs}" -P ${PROJECT_SOURCE_DIR}/cmake/EmbedIcons.cmake
    DEPENDS ${pngs} ${PROJECT_SOURCE_DIR}/cmake/EmbedIcons.cmake
    COMMENT "Embedding icons"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
