# kelvo_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
# Every test runs headless and time-boxed.
find_package(GTest REQUIRED)
include(GoogleTest)

function(kelvo_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;KELVO_BUILD_DIR=${CMAKE_BINARY_DIR};KELVO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
