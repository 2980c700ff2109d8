# vexa_add_test(<name> KIND <unit|interop|window|fuzz> SUBSYSTEM <subsystem>
#               SOURCES <files...> [LIBS <targets...>] [ARGS <args...>] [ENV <NAME=value...>])
#
# Builds one GoogleTest executable and registers it with CTest carrying the two labels every
# test has: its kind and its subsystem. `ctest -L sync` runs one subsystem, `ctest -LE interop`
# everything that does not need Node.
find_package(GTest)

# The labels, environment and time limit every test gets.
function(_vexa_test_properties name kind subsystem timeout env)
  set_tests_properties(${name} PROPERTIES
    LABELS "${kind};${subsystem}"
    ENVIRONMENT "VEXA_SOURCE_DIR=${CMAKE_SOURCE_DIR};VEXA_BINARY_DIR=${CMAKE_BINARY_DIR};${env}")
  if(timeout)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
  endif()
endfunction()

function(vexa_add_test name)
  cmake_parse_arguments(T "" "KIND;SUBSYSTEM;TIMEOUT" "SOURCES;LIBS;ARGS;ENV" ${ARGN})
  if(NOT T_KIND OR NOT T_SUBSYSTEM)
    message(FATAL_ERROR "vexa_add_test(${name}): KIND and SUBSYSTEM are required")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  _vexa_test_properties(${name} "${T_KIND}" "${T_SUBSYSTEM}" "${T_TIMEOUT}" "${T_ENV}")
endfunction()

# vexa_add_command_test(<name> KIND <kind> SUBSYSTEM <subsystem> COMMAND <cmd...> [ENV <NAME=value...>])
# Registers a test that runs a command (a script, Node, a program under Xvfb) with the labels.
function(vexa_add_command_test name)
  cmake_parse_arguments(T "" "KIND;SUBSYSTEM;TIMEOUT" "COMMAND;ENV" ${ARGN})
  if(NOT T_KIND OR NOT T_SUBSYSTEM)
    message(FATAL_ERROR "vexa_add_command_test(${name}): KIND and SUBSYSTEM are required")
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND})
  _vexa_test_properties(${name} "${T_KIND}" "${T_SUBSYSTEM}" "${T_TIMEOUT}" "${T_ENV}")
endfunction()

# vexa_add_fuzz_target(<name> SOURCE <file> LIBS <targets...> SUBSYSTEM <subsystem>
#                      CORPUS <dir> [MAX_LEN <bytes>] [MUTATE])
#
# One fuzz entry point (LLVMFuzzerTestOneInput). With clang it is a libFuzzer binary run for a
# few seconds over its corpus (kind `fuzz`). Other compilers link it with the replay driver,
# which runs every seed and crasher of the corpus (kind `unit`, named <name>_replay) and, with
# MUTATE, a few seconds of seeded random mutations (kind `fuzz`, named <name>_mutate).
function(vexa_add_fuzz_target name)
  cmake_parse_arguments(F "MUTATE" "SOURCE;SUBSYSTEM;CORPUS;MAX_LEN" "LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 65536)
  endif()
  if(CMAKE_CXX_COMPILER_ID MATCHES Clang)
    add_executable(${name} ${F_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    vexa_add_command_test(${name} KIND fuzz SUBSYSTEM ${F_SUBSYSTEM}
      COMMAND ${name} -max_total_time=5 -max_len=${F_MAX_LEN} -rss_limit_mb=2048 ${F_CORPUS} TIMEOUT 60)
  else()
    add_executable(${name}_replay ${F_SOURCE} ${CMAKE_SOURCE_DIR}/tests/fuzz/sync/ReplayMain.cpp)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    vexa_add_command_test(${name}_replay KIND unit SUBSYSTEM ${F_SUBSYSTEM}
      COMMAND ${name}_replay ${F_CORPUS} TIMEOUT 60)
    if(F_MUTATE)
      vexa_add_command_test(${name}_mutate KIND fuzz SUBSYSTEM ${F_SUBSYSTEM}
        COMMAND ${name}_replay ${F_CORPUS} --mutate 3 TIMEOUT 60)
    endif()
  endif()
endfunction()
