# Sounds: the synthesiser (Synth, SoundRecipes) is part of databuild_core; the "sounds" command and
# its Vorbis encoder (vorbis/) go into the databuild executable only. The reference Vorbis libraries
# export the same symbols as the engine's integer decoder, and the builder's tests link the core
# together with the engine.
pkg_check_modules(DATABUILD_VORBIS REQUIRED IMPORTED_TARGET vorbisenc vorbisfile vorbis ogg)
set(DATABUILD_VORBIS_SOURCES ${CMAKE_CURRENT_LIST_DIR}/vorbis/Sounds.cpp)

function(databuild_link_vorbis)
  target_sources(databuild PRIVATE ${DATABUILD_VORBIS_SOURCES})
  target_link_libraries(databuild PRIVATE PkgConfig::DATABUILD_VORBIS)
endfunction()

# The executable is defined after this fragment is read: attach once the folder is processed.
cmake_language(DEFER CALL databuild_link_vorbis)

# Rendering two minutes of music sample by sample takes a minute unoptimised (sanitizer builds are
# Debug builds): the synthesiser is always compiled with optimisation, so the data stays quick to
# build in every configuration.
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/Synth.cpp ${CMAKE_CURRENT_LIST_DIR}/SoundRecipes.cpp
  PROPERTIES COMPILE_OPTIONS -O2)
