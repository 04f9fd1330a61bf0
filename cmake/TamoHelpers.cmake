# Warnings and sanitizers for every target of ours.
add_compile_options(-Wall -Wextra)
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
