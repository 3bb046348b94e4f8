# The text tables are read with pugixml.
pkg_check_modules(DATABUILD_PUGIXML REQUIRED IMPORTED_TARGET pugixml)
list(APPEND DATABUILD_LIBRARIES PkgConfig::DATABUILD_PUGIXML)
# The level title keys are the game's own table (TitleKeys, from tessela_model).
