# The widget library's scroll-bar images (resources 101 and 102, rendered from their SVG
# sources; the font 106 is listed in Resources.cmake), and the skin images the core draws, rendered
# from skin-src/theme1/*.svg into the program folder's skins/theme1/.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(LUMET_RES_DIR ${CMAKE_BINARY_DIR}/generated/lumet_resources)
set(LUMET_RES_SRC ${CMAKE_SOURCE_DIR}/widgets/core/resources)
file(MAKE_DIRECTORY ${LUMET_RES_DIR})

add_custom_command(OUTPUT ${LUMET_RES_DIR}/101.png
  COMMAND ${RSVG_CONVERT} -w 22 -h 20 -o ${LUMET_RES_DIR}/101.png ${LUMET_RES_SRC}/scroll_h_101.svg
  DEPENDS ${LUMET_RES_SRC}/scroll_h_101.svg VERBATIM)
add_custom_command(OUTPUT ${LUMET_RES_DIR}/102.png
  COMMAND ${RSVG_CONVERT} -w 12 -h 72 -o ${LUMET_RES_DIR}/102.png ${LUMET_RES_SRC}/scroll_v_102.svg
  DEPENDS ${LUMET_RES_SRC}/scroll_v_102.svg VERBATIM)
lumet_resource(101 PNG ${LUMET_RES_DIR}/101.png)
lumet_resource(102 PNG ${LUMET_RES_DIR}/102.png)

# Skin images: every SVG of skin-src/<theme>/ becomes a PNG of its own size.
file(GLOB_RECURSE LUMET_SKIN_SVGS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/skin-src/*.svg)
set(LUMET_SKIN_PNGS)
foreach(svg ${LUMET_SKIN_SVGS})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/skin-src ${svg})
  string(REGEX REPLACE "\\.svg$" ".png" rel_png ${rel})
  set(png ${TAVRICK_BIN_DIR}/skins/${rel_png})
  get_filename_component(png_dir ${png} DIRECTORY)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${png_dir}
    COMMAND ${RSVG_CONVERT} -o ${png} ${svg}
    DEPENDS ${svg} VERBATIM)
  list(APPEND LUMET_SKIN_PNGS ${png})
endforeach()
add_custom_target(tavrick_skin ALL DEPENDS ${LUMET_SKIN_PNGS})
add_dependencies(tavrick_skin tavrick_data)
install(DIRECTORY ${TAVRICK_BIN_DIR}/skins DESTINATION ${CMAKE_INSTALL_LIBDIR}/tavrick OPTIONAL)
add_dependencies(Lumet tavrick_skin)
# Drawing targets of the widget library are cairo contexts, so its users see cairo's headers.
target_link_libraries(Lumet PUBLIC PkgConfig::CAIRO)
