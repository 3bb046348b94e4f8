# Removes what `cmake --install` put in place, as listed in its install_manifest.txt, and then the
# game's own folders that this leaves empty. The save data under $XDG_DATA_HOME/tessela is the
# player's and stays. Run as `cmake --build BUILD --target uninstall`, or by hand:
#   cmake -DMANIFEST=BUILD/install_manifest.txt -P cmake/Uninstall.cmake
if(NOT DEFINED MANIFEST OR NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "uninstall: no install manifest at '${MANIFEST}': nothing was installed from this build")
endif()
file(STRINGS "${MANIFEST}" _installed)
set(_folders "")
foreach(_file IN LISTS _installed)
  if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
    file(REMOVE "${_file}")
    if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
      message(FATAL_ERROR "uninstall: cannot remove ${_file}")
    endif()
    message(STATUS "Removed: ${_file}")
  endif()
  get_filename_component(_folder "${_file}" DIRECTORY)
  get_filename_component(_name "${_folder}" NAME)
  if(_name STREQUAL "tessela")
    list(APPEND _folders "${_folder}")
  endif()
endforeach()
list(REMOVE_DUPLICATES _folders)
# rmdir removes a folder only when it is empty: nothing someone else put there goes.
foreach(_folder IN LISTS _folders)
  execute_process(COMMAND rmdir "${_folder}" OUTPUT_QUIET ERROR_QUIET)
endforeach()
