# Shared build settings: warnings, sanitizers and the helpers every folder uses.

set(MIRELO_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(MIRELO_WERROR)
  list(APPEND MIRELO_WARNINGS -Werror)
endif()
if(MIRELO_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports false "maybe uninitialized" warnings inside the standard
  # library (std::function, std::regex) when sanitizers are on.
  list(APPEND MIRELO_WARNINGS -Wno-maybe-uninitialized)
endif()

if(MIRELO_SANITIZE)
  string(REPLACE ";" "," _san "${MIRELO_SANITIZE}")
  add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${_san})
  if(_san MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

if(FUZZ)
  # Instrument every library for coverage, so the fuzzers see inside the code they call.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)
find_package(CURL REQUIRED)
find_package(ZLIB REQUIRED)

# mirelo_library(NAME SOURCES... [DEPS libs...])
# One static library per source folder; its folder's parent "src" is the include root.
function(mirelo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${MIRELO_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# mirelo_executable(NAME SOURCES... [DEPS libs...])
function(mirelo_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${MIRELO_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
