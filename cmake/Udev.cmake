# data/udev/70-tavrick.rules in the program folder, generated from config.xml, and installed
# where udev reads rules.
set(TAVRICK_UDEV_RULES ${TAVRICK_BIN_DIR}/udev/70-tavrick.rules)
set(udev_deps ${CMAKE_SOURCE_DIR}/cmake/UdevRules.cmake)
if(EXISTS ${CMAKE_SOURCE_DIR}/data/config.xml)
  list(APPEND udev_deps ${CMAKE_SOURCE_DIR}/data/config.xml)
endif()
add_custom_command(
  OUTPUT ${TAVRICK_UDEV_RULES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRICK_BIN_DIR}/udev
  COMMAND ${CMAKE_COMMAND} -DCONFIG=${CMAKE_SOURCE_DIR}/data/config.xml -DOUT=${TAVRICK_UDEV_RULES}
          -P ${CMAKE_SOURCE_DIR}/cmake/UdevRules.cmake
  DEPENDS ${udev_deps}
  COMMENT "Generating the udev rule from config.xml"
  VERBATIM)
add_custom_target(tavrick_udev_rules ALL DEPENDS ${TAVRICK_UDEV_RULES})
add_dependencies(tavrick_udev_rules tavrick_data)
install(FILES ${TAVRICK_UDEV_RULES} DESTINATION lib/udev/rules.d)
