# Shared build settings and helpers for every target of the project.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

set(VORN_WARNINGS -Wall -Wextra)

set(VORN_SANITIZER_FLAGS "")
if(VORN_SANITIZE)
  set(VORN_SANITIZER_FLAGS -fsanitize=${VORN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${VORN_SANITIZER_FLAGS})
  add_link_options(${VORN_SANITIZER_FLAGS})
endif()
if(VORN_FUZZ)
  # Every library is instrumented for coverage; only the fuzz executables get the libFuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# mimalloc is the general heap behind the engine's allocation front-end. Sanitizer and fuzz builds
# keep the system allocator so that the sanitizers see every allocation.
set(VORN_USE_MIMALLOC ON)
if(VORN_SANITIZE OR VORN_FUZZ)
  set(VORN_USE_MIMALLOC OFF)
endif()

# vorn_target_defaults(target): warnings and include roots common to the project.
function(vorn_target_defaults target)
  target_compile_options(${target} PRIVATE ${VORN_WARNINGS})
endfunction()

# vorn_link_heap(target): link the general heap into an executable.
function(vorn_link_heap target)
  if(VORN_USE_MIMALLOC)
    find_library(MIMALLOC_LIBRARY NAMES mimalloc REQUIRED)
    target_link_libraries(${target} PRIVATE ${MIMALLOC_LIBRARY})
  endif()
endfunction()

# vorn_glob_sources(var dir): every .cpp/.c below dir, re-globbed when files are added.
function(vorn_glob_sources var dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  set(${var} ${_sources} PARENT_SCOPE)
endfunction()
