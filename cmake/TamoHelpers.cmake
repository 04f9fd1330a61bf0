# Warnings and sanitizers for every target of ours.
add_compile_options(-Wall -Wextra)

# ccache, when the machine has it: a rebuild of the same sources (another clone, another tree of
# the same kind) compiles nothing again. Paths are taken relative to the source folder so that
# clones in other places share the cache.
find_program(TAMO_CCACHE ccache)
if(TAMO_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${TAMO_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_C_COMPILER_LAUNCHER})
endif()

# Test programs: their own code needs no more than light optimisation and line tables (half the
# compile time of -O2 -g); the code under test keeps the tree's flags.
set(TAMO_TEST_COMPILE_OPTIONS -O1 -g1)
add_compile_definitions(TAMO_VERSION="${PROJECT_VERSION}")

if(TAMO_SANITIZE)
  add_compile_options(-fsanitize=${TAMO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TAMO_SANITIZE})
endif()

# tamo_add_gtest(NAME name [GUI] SOURCES ... LIBS ... LABELS ... [TIMEOUT s])
# One GoogleTest program; its cases run as one CTest test with the given labels, with every
# user folder pointed at a fresh temporary place by the test's main (tests/support).
function(tamo_add_gtest)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${TAMO_TEST_COMPILE_OPTIONS})
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE tamo_testsupport_gui ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE tamo_testsupport ${T_LIBS})
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TAMO_SOURCE_DIR=${CMAKE_SOURCE_DIR};TAMO_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# The fuzz tree instruments all of our code for coverage; only fuzz targets link the fuzzer main.
if(TAMO_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
