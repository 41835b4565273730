# One configuration target that every target of the project links: language level,
# warnings as errors, Qt's strictness defines and, on request, the sanitizers.
add_library(vorn_common INTERFACE)
target_compile_features(vorn_common INTERFACE cxx_std_23)
set(CMAKE_CXX_STANDARD 23)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vorn_common INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wshadow=local -Wnon-virtual-dtor -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
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

# vorn_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# One GoogleTest executable per unit; every test case is registered with CTest.
function(vorn_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vorn_common GTest::gtest GTest::gmock vorn_test_main ${T_LIBS})
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${T_PROPERTIES})
endfunction()
