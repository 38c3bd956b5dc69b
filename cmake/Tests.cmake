# One GoogleTest binary per folder under tests/. A folder with a CMakeLists.txt of its own
# (for example one that needs a display) takes care of itself.
include(GoogleTest)
file(GLOB TEST_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir ${TEST_DIRS})
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(area ${dir} NAME)
  if(area STREQUAL "support")
    continue()
  endif()
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
    continue()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    continue()
  endif()
  add_executable(tests_${area} ${sources} ${CMAKE_SOURCE_DIR}/tests/lsan_suppressions.cpp)
  target_link_libraries(tests_${area} PRIVATE tavrick_core tavrick_test_support GTest::gtest_main GTest::gmock)
  target_compile_definitions(tests_${area} PRIVATE
    TAVRICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TAVRICK_CMAKE_COMMAND="${CMAKE_COMMAND}")
  add_dependencies(tests_${area} tavrick_data)
  gtest_discover_tests(tests_${area}
    WORKING_DIRECTORY ${TAVRICK_BIN_DIR}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${area} TIMEOUT 300)
endforeach()
