# One configuration target that every target of the project links: language level,
# warnings as errors, Qt's strictness defines and, on request, the sanitizers.
add_library(vorn_common INTERFACE)
target_compile_features(vorn_common INTERFACE cxx_std_23)
set(CMAKE_CXX_STANDARD 23)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vorn_common INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wnon-virtual-dtor -Wcast-qual -Wformat=2 -Wimplicit-fallthrough
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
target_compile_definitions(vorn_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(VORN_SANITIZE)
  target_compile_options(vorn_common INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(vorn_common INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# vorn_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [LAUNCHER script] [PROPERTIES ...])
# One GoogleTest executable per unit; every test case is registered with CTest.
# LAUNCHER wraps both the listing and every run of the tests (for example a script
# that provides a private session bus with a Secret Service, or a headless desktop).
function(vorn_add_test)
  cmake_parse_arguments(T "" "NAME;LAUNCHER" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vorn_common GTest::gtest GTest::gmock vorn_test_main ${T_LIBS})
  if(T_LAUNCHER)
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${T_LAUNCHER}")
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${T_PROPERTIES})
endfunction()

# Fuzzing builds (clang only): the code under test gets coverage instrumentation,
# each fuzzer executable links libFuzzer's main.
if(VORN_FUZZ)
  # clang 16 implements what libstdc++ 12's <expected> needs but does not yet
  # advertise it; without this it hides std::expected.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(vorn_common INTERFACE -U__cpp_concepts -D__cpp_concepts=202002L)
  endif()
  target_compile_options(vorn_common INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vorn_common INTERFACE -fsanitize=address,undefined)
endif()

# vorn_add_fuzzer(NAME name SOURCES a.cpp ... LIBS lib ...)
function(vorn_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE vorn_common ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
endfunction()
