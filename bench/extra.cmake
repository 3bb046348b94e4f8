# Extra sources and links for benchmarks that need more than the engine.
pkg_check_modules(BENCH_LZMA REQUIRED IMPORTED_TARGET liblzma)
target_sources(bench_pak_read PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/Sandbox.cpp)
target_link_libraries(bench_pak_read PRIVATE vorn_pakwriter PkgConfig::BENCH_LZMA)

# Sound benchmarks: they make their Ogg files with vorn-oggtone when they start; both call the
# integer Vorbis decoder directly as their baseline, and the mixing one packs its files into a pak
# archive.
foreach(_b bench_ogg_decode bench_mix_ogg)
  if(TARGET ${_b})
    add_dependencies(${_b} vorn-oggtone)
    target_compile_definitions(${_b} PRIVATE VORN_OGGTONE="$<TARGET_FILE:vorn-oggtone>")
  endif()
endforeach()
if(TARGET bench_ogg_decode)
  pkg_check_modules(BENCH_TREMOR REQUIRED IMPORTED_TARGET vorbisidec)
  target_link_libraries(bench_ogg_decode PRIVATE PkgConfig::BENCH_TREMOR)
endif()
if(TARGET bench_mix_ogg)
  pkg_check_modules(BENCH_MIX_TREMOR REQUIRED IMPORTED_TARGET vorbisidec)
  target_link_libraries(bench_mix_ogg PRIVATE vorn_pakwriter PkgConfig::BENCH_MIX_TREMOR)
  if(TARGET databuild)
    add_dependencies(bench_mix_ogg databuild)
    target_compile_definitions(bench_mix_ogg PRIVATE VORN_DATABUILD="$<TARGET_FILE:databuild>")
  endif()
endif()

# The game's frame and start-up run the whole game through the end-to-end harness, on the
# archives the normal build makes.
if(TARGET bench_game_frame)
  target_link_libraries(bench_game_frame PRIVATE vorn_test_support)
  if(TARGET tessela_data)
    add_dependencies(bench_game_frame tessela_data)
  endif()
endif()

# The module player's benchmark writes its module with the sound tests' XM writer.
if(TARGET bench_xm_render)
  target_sources(bench_xm_render PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/sound/XmWriter.cpp)
endif()
