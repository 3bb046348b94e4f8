# Extra sources and links for benchmarks that need more than the engine.
pkg_check_modules(BENCH_LZMA REQUIRED IMPORTED_TARGET liblzma)
target_sources(bench_pak_read PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/Sandbox.cpp)
target_link_libraries(bench_pak_read PRIVATE vorn_pakwriter PkgConfig::BENCH_LZMA)
