# Each fuzz/*.cpp is one libFuzzer target: fuzz_<name>, with its seed corpus in
# fuzz/corpus/<name>/. Built only with clang.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "the fuzz targets need clang (CXX=clang++)")
endif()
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(fuzz_${name} ${src})
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${name} PRIVATE tavrick_core tavrick_test_support)
endforeach()

# Coverage feedback from the code under test, not only from the fuzz targets themselves.
foreach(lib Lumet tavrick_core)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
endforeach()
if(EMULATOR_SOURCES)
  target_compile_options(tavrick_emulator PRIVATE -fsanitize=fuzzer-no-link)
endif()
