# Binary resources compiled into libLumet.so, found at run time with DUI::FindResource(id, type).
# One line per resource: lumet_resource(<id> <TYPE> <file>). Each file becomes a generated C++
# source holding its bytes, rebuilt when the file changes.
set(LUMET_RESOURCE_DIR ${CMAKE_BINARY_DIR}/generated/resources)

function(lumet_resource id type file)
  set(out ${LUMET_RESOURCE_DIR}/resource_${id}_${type}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DID=${id} -DTYPE=${type} -DIN=${file} -DOUT=${out}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedResource.cmake
    DEPENDS ${file} ${CMAKE_SOURCE_DIR}/cmake/EmbedResource.cmake
    COMMENT "Embedding resource ${id} (${type})"
    VERBATIM)
  target_sources(Lumet PRIVATE ${out})
endfunction()

# The library's own TrueType font: "Open Sans Semibold".
lumet_resource(106 TTF ${TAVRICK_FONT_DIR}/OpenSans-Semibold.ttf)
