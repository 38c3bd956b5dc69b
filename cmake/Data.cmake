# The installation data is copied next to the built program, so that the program finds it
# in its own folder exactly as an installed copy does.
set(TAVRICK_FONT_DIR /usr/share/fonts/truetype/open-sans)
add_custom_target(tavrick_data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_SOURCE_DIR}/data
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${TAVRICK_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRICK_BIN_DIR}/font
  COMMAND ${CMAKE_COMMAND} -DSRC=${TAVRICK_FONT_DIR} -DDST=${TAVRICK_BIN_DIR}/font
          -P ${CMAKE_SOURCE_DIR}/cmake/CopyFonts.cmake
  COMMENT "Copying the installation data next to the program"
  VERBATIM)
