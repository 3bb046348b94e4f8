# Art: the pictures, fonts and atlases of the four resolution archives (art/). FreeType rasterises
# the fonts and sets the logo lettering; libpng writes the images.
pkg_check_modules(DATABUILD_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(DATABUILD_PNG REQUIRED IMPORTED_TARGET libpng)
file(GLOB _art_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/art/*.cpp)
# The image table (names, theme rows, colours) is the game's own (tessela_model), so the two never
# disagree.
list(APPEND DATABUILD_SHARED_SOURCES ${_art_sources})
list(APPEND DATABUILD_LIBRARIES PkgConfig::DATABUILD_FREETYPE PkgConfig::DATABUILD_PNG)

# data_<width>.pak for each base size, staged by "databuild art" and packed by "databuild pak". They
# are rebuilt when the builder or the text tables (which decide the fonts' characters) change.
if(VORN_BUILD_DATA)
  set(_art_data_dir ${CMAKE_BINARY_DIR}/data)
  file(GLOB _art_texts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/texts/*.xml)
  set(_art_paks "")
  foreach(_width 240 320 480 600)
    set(_stage ${_art_data_dir}/art_${_width})
    add_custom_command(
      OUTPUT ${_art_data_dir}/data_${_width}.pak
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage}
      COMMAND databuild art ${_width} ${CMAKE_SOURCE_DIR}/data/texts ${_stage}
      COMMAND databuild pak ${_stage} ${_art_data_dir}/data_${_width}.pak
      DEPENDS databuild ${_art_texts}
      COMMENT "Building data_${_width}.pak"
      VERBATIM)
    list(APPEND _art_paks ${_art_data_dir}/data_${_width}.pak)
  endforeach()
  # The application icon; the installer takes it from here.
  add_custom_command(
    OUTPUT ${_art_data_dir}/tessela.png
    COMMAND databuild icon ${_art_data_dir}/tessela.png
    DEPENDS databuild
    COMMENT "Drawing tessela.png"
    VERBATIM)
  add_custom_target(tessela_art ALL DEPENDS ${_art_paks} ${_art_data_dir}/tessela.png)
endif()
