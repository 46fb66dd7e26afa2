# Warnings, sanitizers and link flags shared by every target of ours.

function(lumo_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(LUMO_WINDOWS)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                 _WIN32_WINNT=0x0601 WINVER=0x0601)
  elseif(LUMO_FUZZ)
    # Coverage for libFuzzer plus ASan and UBSan; the fuzz targets link the
    # fuzzer's main themselves.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  elseif(LUMO_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# A portable library: every .cpp of the folder, minus the *_win.cpp halves in
# the native build and minus the *_posix.cpp halves in the Windows build.
function(lumo_portable_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(LUMO_WINDOWS)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win\\.cpp$")
  endif()
  if(LUMO_FUZZ)
    # The trace log needs std::source_location, which clang 14 cannot give
    # with GCC's library; no reader under the fuzzer logs.
    list(FILTER srcs EXCLUDE REGEX "/log(_posix)?\\.cpp$")
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  lumo_target_defaults(${name})
endfunction()

# A test binary: natively every test case is registered with ctest; under
# Wine the binary is one ctest test (starting Wine per test case would cost
# seconds), run in the build tree's prefix with the local maker server up.
function(lumo_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;LOCKS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  lumo_target_defaults(${name})
  if(LUMO_WINDOWS)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES
      LABELS "wine;${T_LABELS}" TIMEOUT 600
      FIXTURES_REQUIRED "wine;maker"
      ENVIRONMENT "LUMO_BUILD_DIR=${CMAKE_BINARY_DIR};LUMO_TEST_SERVER=127.0.0.1:${LUMO_TEST_PORT};LUMO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(T_LOCKS)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
    endif()
  else()
    gtest_discover_tests(${name} PROPERTIES LABELS "native;${T_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
