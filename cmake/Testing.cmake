# GoogleTest/GoogleMock from the sources Debian installs, built with the cross compiler, and
# tavo_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [PROPERTIES <ctest properties...>] [PER_TEST])
# for test programs that ctest runs under Wine. Starting a Wine process is the main cost of a test, so a
# program is one ctest case run in one process; PER_TEST gives each TEST a process of its own, for programs
# whose tests change process-wide state that a later test would see. Programs that change shared registry
# state pass PROPERTIES RESOURCE_LOCK wine_registry so that they never run at the same time.
include(GoogleTest)

set(TAVO_GOOGLETEST_SOURCE /usr/src/googletest)
if(NOT EXISTS ${TAVO_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${TAVO_GOOGLETEST_SOURCE} (run scripts/install-deps)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${TAVO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every test program and what it runs (scripts/test builds only this, not the benchmarks or the soak).
add_custom_target(tavo_tests)

function(tavo_add_gtest name)
    cmake_parse_arguments(ARG "PER_TEST" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    add_dependencies(tavo_tests ${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main ole32 oleaut32 uuid advapi32)
    if(ARG_PER_TEST)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300 ${ARG_PROPERTIES})
    else()
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES TIMEOUT 900 ${ARG_PROPERTIES})
    endif()
endfunction()
