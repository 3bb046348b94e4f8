# Extra sources and links for benchmarks that need more than the engine.
pkg_check_modules(BENCH_LZMA REQUIRED IMPORTED_TARGET liblzma)
target_sources(bench_pak_read PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/Sandbox.cpp)
target_link_libraries(bench_pak_read PRIVATE vorn_pakwriter PkgConfig::BENCH_LZMA)
# Its side-by-side cases read the archives the normal build makes.
target_compile_definitions(bench_pak_read PRIVATE VORN_GAME_DATA="${CMAKE_BINARY_DIR}/data")
if(TARGET tessela_data)
  add_dependencies(bench_pak_read tessela_data)
endif()
# The archive lock's benchmark packs its own archive.
target_sources(bench_pak_wait PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/Sandbox.cpp)
target_link_libraries(bench_pak_wait PRIVATE vorn_pakwriter)

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

# The start-up benchmark runs the game's executable and, as its reference, a bare SDL + EGL
# program of its own; it counts the first screen's frames in process, through the harness.
pkg_check_modules(BENCH_SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(BENCH_EGL REQUIRED IMPORTED_TARGET egl)
pkg_check_modules(BENCH_GLES2 REQUIRED IMPORTED_TARGET glesv2)
add_executable(vorn-bare-window ${CMAKE_CURRENT_SOURCE_DIR}/bare/BareWindow.cpp)
vorn_target_defaults(vorn-bare-window)
target_link_libraries(vorn-bare-window PRIVATE PkgConfig::BENCH_SDL2 PkgConfig::BENCH_EGL
  PkgConfig::BENCH_GLES2)
target_link_libraries(bench_startup PRIVATE vorn_test_support)
add_dependencies(bench_startup vorn-bare-window tessela)
if(TARGET tessela_data)
  add_dependencies(bench_startup tessela_data)
endif()
target_compile_definitions(bench_startup PRIVATE VORN_GAME_BINARY="$<TARGET_FILE:tessela>"
  VORN_BARE_WINDOW="$<TARGET_FILE:vorn-bare-window>" VORN_GAME_DATA="${CMAKE_BINARY_DIR}/data")

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

# The module player's benchmark writes its module with the sound tests' XM writer and compares
# with libxmp.
if(TARGET bench_xm_render)
  target_sources(bench_xm_render PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/sound/XmWriter.cpp)
  pkg_check_modules(BENCH_XMP REQUIRED IMPORTED_TARGET libxmp)
  target_link_libraries(bench_xm_render PRIVATE PkgConfig::BENCH_XMP)
endif()
# The member check's benchmark packs its own archive and checks its members as vorn-pak does.
target_link_libraries(bench_member_check PRIVATE vorn_pakwriter vorn_pak_check)
