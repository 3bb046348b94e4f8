# The text tables are read with pugixml.
pkg_check_modules(DATABUILD_PUGIXML REQUIRED IMPORTED_TARGET pugixml)
list(APPEND DATABUILD_LIBRARIES PkgConfig::DATABUILD_PUGIXML)
# The level title keys are the game's own table.
list(APPEND DATABUILD_SHARED_SOURCES ${CMAKE_SOURCE_DIR}/game/TitleKeys.cpp)
