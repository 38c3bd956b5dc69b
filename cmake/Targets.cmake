# The deliverables. Sources are picked up by folder, so a new file needs no edit here.
function(tavrick_sources out)
  set(files)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# Lumet: the widget library, with the small base helpers both deliverables share and the
# GUI platform layer under it.
tavrick_sources(LUMET_SOURCES base widgets/core widgets/controls platform/gui)
add_library(Lumet SHARED ${LUMET_SOURCES})
target_include_directories(Lumet PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(Lumet
  PUBLIC Threads::Threads
  PRIVATE PkgConfig::SDL2 PkgConfig::CAIRO PkgConfig::PANGOCAIRO PkgConfig::FONTCONFIG)
set_target_properties(Lumet PROPERTIES OUTPUT_NAME Lumet VERSION ${PROJECT_VERSION} SOVERSION 0)

# The emulated mouse, receiver and bootloader.
tavrick_sources(EMULATOR_SOURCES emulator)
if(EMULATOR_SOURCES)
  add_library(tavrick_emulator STATIC ${EMULATOR_SOURCES})
  target_include_directories(tavrick_emulator PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tavrick_emulator PUBLIC Lumet Threads::Threads)
else()
  add_library(tavrick_emulator INTERFACE)
endif()

# Everything of the program but its entry point, so that tests and tools link the same code.
tavrick_sources(CORE_SOURCES app device store ui update platform/system)
list(FILTER CORE_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")
add_library(tavrick_core STATIC ${CORE_SOURCES})
target_include_directories(tavrick_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(tavrick_core PUBLIC TAVRICK_VERSION="${PROJECT_VERSION}")
target_link_libraries(tavrick_core PUBLIC
  Lumet tavrick_emulator Threads::Threads ZLIB::ZLIB
  PkgConfig::SQLITE3 PkgConfig::HIDAPI PkgConfig::CURL PkgConfig::UDEV PkgConfig::SYSTEMD)

add_executable(Tavrick ${CMAKE_SOURCE_DIR}/app/main.cpp)
target_link_libraries(Tavrick PRIVATE tavrick_core)
add_dependencies(Tavrick tavrick_data)

# Tools: every folder under tools/ with a CMakeLists.txt of its own.
file(GLOB TOOL_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tools/*)
foreach(dir ${TOOL_DIRS})
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()

# Shared test fixtures (temporary folders, environment overrides, fixture files), used by the
# tests, the benchmarks and the fuzz targets. It must not depend on GoogleTest.
tavrick_sources(TEST_SUPPORT_SOURCES tests/support)
if(TEST_SUPPORT_SOURCES)
  add_library(tavrick_test_support STATIC ${TEST_SUPPORT_SOURCES})
  target_link_libraries(tavrick_test_support PUBLIC tavrick_core)
else()
  add_library(tavrick_test_support INTERFACE)
endif()
target_include_directories(tavrick_test_support INTERFACE ${CMAKE_SOURCE_DIR})

# The local update server of the tests (HTTP and HTTPS).
if(TEST_SUPPORT_SOURCES AND TARGET PkgConfig::HTTPLIB)
  target_link_libraries(tavrick_test_support PUBLIC PkgConfig::HTTPLIB PkgConfig::OPENSSL)
endif()
