# Removes what `cmake --install` put in place, as listed in its install_manifest.txt, and then the
# folders the install made (recorded in FOLDERS, by cmake/InstallFolders.cmake) that this leaves
# empty; a folder that was there before the install stays, and so does one that still holds
# anything. Then the manifest and the record go too: nothing is installed any more, and a folder
# of that name made later is not the install's. The save data under $XDG_DATA_HOME/tessela is the
# player's and stays. Run as `cmake --build BUILD --target uninstall`, or by hand:
#   cmake -DMANIFEST=BUILD/install_manifest.txt -DFOLDERS=BUILD/install_folders.txt -P cmake/Uninstall.cmake
if(NOT DEFINED MANIFEST OR MANIFEST STREQUAL "")
  message(FATAL_ERROR "uninstall: no manifest given; run it as `cmake -DMANIFEST=BUILD/install_manifest.txt "
                      "-DFOLDERS=BUILD/install_folders.txt -P cmake/Uninstall.cmake`")
endif()
if(NOT EXISTS "${MANIFEST}")
  # Never installed, or uninstalled already: what was asked for holds, so this is said and is no
  # failure.
  get_filename_component(_build "${MANIFEST}" DIRECTORY)
  message(NOTICE "uninstall: nothing is installed from the build folder ${_build}")
  return()
endif()
file(STRINGS "${MANIFEST}" _installed)
foreach(_file IN LISTS _installed)
  if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
    file(REMOVE "${_file}")
    if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
      # file(REMOVE) gives no reason: rm, asked again, says why.
      execute_process(COMMAND rm -f -- "${_file}" OUTPUT_QUIET ERROR_VARIABLE _why
                      ERROR_STRIP_TRAILING_WHITESPACE)
      string(REGEX REPLACE ".*: " "" _why "${_why}")
      if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
        message(FATAL_ERROR "uninstall: cannot remove ${_file}: ${_why}")
      endif()
    endif()
    message(STATUS "Removed: ${_file}")
  endif()
endforeach()
if(DEFINED FOLDERS AND EXISTS "${FOLDERS}")
  file(STRINGS "${FOLDERS}" _made)
  # Deepest first, so that a folder emptied by removing the one inside it goes too; rmdir removes
  # a folder only when it is empty: nothing someone else put there goes.
  list(SORT _made ORDER DESCENDING)
  foreach(_folder IN LISTS _made)
    execute_process(COMMAND rmdir "${_folder}" OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE _kept)
    if(_kept EQUAL 0)
      message(STATUS "Removed: ${_folder}/")
    endif()
  endforeach()
endif()
file(REMOVE "${MANIFEST}")
if(DEFINED FOLDERS)
  file(REMOVE "${FOLDERS}")
endif()
