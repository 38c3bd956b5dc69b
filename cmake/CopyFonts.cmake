file(GLOB fonts ${SRC}/OpenSans-*.ttf)
foreach(f ${fonts})
  file(COPY ${f} DESTINATION ${DST})
endforeach()
