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

# The save of a level in progress is measured on the board the board tests build.
if(TARGET bench_board_save)
  target_link_libraries(bench_board_save PRIVATE vorn_test_support)
endif()

# The texture decoding benchmark's reference decoders (and encoders of its data): libsquish and
# libetc1. Without them it is not built.
if(TARGET bench_texture_decode)
  find_path(BENCH_SQUISH_INCLUDE squish.h)
  find_library(BENCH_SQUISH_LIBRARY squish)
  find_path(BENCH_ETC1_INCLUDE android/ETC1/etc1.h)
  find_library(BENCH_ETC1_LIBRARY ETC1 PATH_SUFFIXES android)
  if(BENCH_SQUISH_INCLUDE AND BENCH_SQUISH_LIBRARY AND BENCH_ETC1_INCLUDE AND BENCH_ETC1_LIBRARY)
    target_include_directories(bench_texture_decode PRIVATE ${BENCH_SQUISH_INCLUDE} ${BENCH_ETC1_INCLUDE})
    target_link_libraries(bench_texture_decode PRIVATE ${BENCH_SQUISH_LIBRARY} ${BENCH_ETC1_LIBRARY})
  else()
    set_target_properties(bench_texture_decode PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
endif()

# The module player's benchmark writes its module with the sound tests' XM writer.
if(TARGET bench_xm_render)
  target_sources(bench_xm_render PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/sound/XmWriter.cpp)
endif()
