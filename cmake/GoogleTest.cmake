# GoogleTest for the tests: built with the project from a source tree (Debian's, cross-built for
# the Windows target), else an installed package. Without either the tests are not built.
set(TARNWICK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(EXISTS "${TARNWICK_GTEST_SOURCE}/CMakeLists.txt")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # The project's runtime (CMAKE_MSVC_RUNTIME_LIBRARY), not one of GoogleTest's own choosing.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
    add_subdirectory(${TARNWICK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest QUIET)
    if(NOT GTest_FOUND)
        message(STATUS "GoogleTest not found (no source tree at ${TARNWICK_GTEST_SOURCE}, no "
                       "installed package): the tests are not built")
        set(TARNWICK_TESTS OFF)
    endif()
endif()
