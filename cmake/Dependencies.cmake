# Every outside library, as an imported target. All of them come from Debian packages that
# scripts/install-deps.sh installs.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)

pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
pkg_check_modules(OPENSSL IMPORTED_TARGET openssl)

if(TAVRICK_TESTS)
  find_package(GTest REQUIRED)
endif()
if(TAVRICK_BENCH)
  find_package(benchmark REQUIRED)
  pkg_check_modules(EXPAT IMPORTED_TARGET expat)
endif()
# The local update server of the test support (tests, benchmarks, fuzzers, tools).
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
