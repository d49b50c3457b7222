# One helper registers every test binary: all *_test.cpp files of a folder become one
# GoogleTest executable whose cases are registered with CTest one by one.
include(GoogleTest)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

function(auxline_add_test name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS;SOURCES" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources} ${ARG_SOURCES})
  target_link_libraries(${name}_tests PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name}_tests PRIVATE
    AUXLINE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
  auxline_warnings(${name}_tests)
  if(CMAKE_CROSSCOMPILING)
    # Cross builds register nothing here; their runner executes the binaries itself.
    return()
  endif()
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60)
endfunction()
