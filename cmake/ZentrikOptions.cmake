# Warnings, sanitizers and the helper that declares one subsystem library.
add_library(zentrik_options INTERFACE)
target_compile_options(zentrik_options INTERFACE -Wall -Wextra -Wpedantic)
if(ZENTRIK_WERROR)
  target_compile_options(zentrik_options INTERFACE -Werror)
endif()
if(ZENTRIK_FUZZ)
  # Instrument every library for coverage, not only the fuzz targets' own files.
  target_compile_options(zentrik_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(ZENTRIK_SANITIZE)
  target_compile_options(zentrik_options INTERFACE -fsanitize=address,undefined
                         -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(zentrik_options INTERFACE -fsanitize=address,undefined)
endif()

# zentrik_library(NAME SOURCES... DEPS ...): the static library zentrik_FOLDER of the subsystem in
# src/FOLDER, with its public headers under include/zentrik/FOLDER/. It is also known as
# Zentrik::FOLDER, in the build tree and in the installed package. DEPS are the libraries below it.
function(zentrik_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  string(REGEX REPLACE "^zentrik_" "" folder ${name})
  add_library(${name} STATIC ${ARG_SOURCES})
  add_library(Zentrik::${folder} ALIAS ${name})
  set_target_properties(${name} PROPERTIES EXPORT_NAME ${folder})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                            $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
                                     PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # Warnings and sanitizers are this build's own; an installed library does not hand them on.
  target_link_libraries(${name} PUBLIC $<BUILD_INTERFACE:zentrik_options> ${ARG_DEPS})
  # Raised errors name their component by the library's own file name without extension.
  target_compile_definitions(${name} PRIVATE ZENTRIK_MODULE_NAME="lib${name}")
  if(ZENTRIK_INSTALL)
    install(TARGETS ${name} EXPORT ZentrikTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
  # In declaration order, for the package's link line and the layering test: folder, source
  # folder, and the Zentrik libraries it links directly.
  set(below)
  foreach(dep IN LISTS ARG_DEPS)
    if(dep MATCHES "^zentrik_(.+)$")
      list(APPEND below ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(JOIN below "," below)
  set_property(GLOBAL APPEND PROPERTY ZENTRIK_LIBRARIES ${name})
  set_property(GLOBAL APPEND PROPERTY ZENTRIK_LAYERS
               "${folder} ${CMAKE_CURRENT_SOURCE_DIR} ${below}")
endfunction()

# zentrik_test(NAME SOURCES... DEPS ... [SHARDS N]): one GoogleTest executable, registered with
# CTest case by case, or whole as N shards when ZENTRIK_TEST_PROCESSES is "program".
function(zentrik_test name)
  cmake_parse_arguments(ARG "" "SHARDS" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zentrik_options ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${ZENTRIK_TEST_OPTIMIZE})
  # Tests reach a library's internals from src/ ("colour/ClosestIndexMap.h").
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  if(TARGET zentrik_test_pch)
    target_precompile_headers(${name} REUSE_FROM zentrik_test_pch)
  endif()
  if(ZENTRIK_TEST_PROCESSES STREQUAL "program")
    zentrik_add_test_shards(${name} "${ARG_SHARDS}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# The test program NAME as SHARDS CTest tests (default 1), each running its share of the cases
# through GoogleTest's own sharding.
function(zentrik_add_test_shards name shards)
  if(NOT shards)
    set(shards 1)
  endif()
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    set(test ${name})
    if(shards GREATER 1)
      set(test ${name}.shard${index})
    endif()
    add_test(NAME ${test} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    # A case skipped inside the program does not mark the whole program skipped (which would
    # hide the failures of the others). The long, sharded programs start first.
    set_tests_properties(${test} PROPERTIES COST ${shards}
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

# zentrik_fuzz_target(NAME SOURCES... DEPS ...): a fuzz target (LLVMFuzzerTestOneInput). In every
# test build it is also a replay test over fuzz/corpus/NAME (crashers kept as regressions); with
# ZENTRIK_FUZZ and clang it becomes a libFuzzer binary NAME_fuzzer.
function(zentrik_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name}_replay ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE zentrik_options ${ARG_DEPS})
  # Like the tests, a target may reach a parser inside a library ("mqtt/mqtt_command.h").
  target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR}/src)
  add_test(NAME fuzz_replay.${name}
           COMMAND ${name}_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(ZENTRIK_FUZZ)
    add_executable(${name}_fuzzer ${ARG_SOURCES})
    target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_fuzzer PRIVATE zentrik_options ${ARG_DEPS})
    target_include_directories(${name}_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src)
  endif()
endfunction()
