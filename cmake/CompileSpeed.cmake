# Fewer and cheaper compilations. Nearly every source of ours includes <windows.h> and the
# shell's headers, and every test the standard library and GoogleTest as well; parsing them again
# for each source took more of the build than our own code did. Two headers are precompiled once
# each and reused by every target: one for the programs and their libraries, one, with the
# standard library and GoogleTest, for the tests. (The programs' header leaves the standard
# library out: precompiled, its inline code loses the system-header shield from GCC's flow
# warnings at -O3.) And every target of ours compiles its sources a few at a time as one unit
# (UNITY_BUILD), so that what they share is compiled once: helpers local to a source must have
# names of their own within their target.
#
# The tests' own code is compiled without optimisation where the compiler allows it: it drives
# the programs and checks what they did, and its speed counts for nothing beside theirs. The
# libraries under test keep the programs' flags, as the tests link the very same objects.
#
#   tarnwick_compile_speed()   at the end of the top CMakeLists.txt: sets this up for every
#                              target of ours (those with tarnwick_options)

set(TARNWICK_PCH_HEADERS <windows.h> <shellapi.h> <shlobj.h> <objbase.h> <commctrl.h>
                          <knownfolders.h>)
set(TARNWICK_TEST_PCH_HEADERS
    ${TARNWICK_PCH_HEADERS} <algorithm> <chrono> <cmath> <cstdint> <cwchar> <filesystem>
    <fstream> <functional> <map> <memory> <optional> <set> <sstream> <stdexcept> <string>
    <string_view> <thread> <utility> <vector> <gtest/gtest.h>)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(TARNWICK_TEST_CODE_OPTIONS -O0)
else()
    set(TARNWICK_TEST_CODE_OPTIONS)
endif()

# The targets that own the two headers: each compiles them once, from an otherwise empty source.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/pch/owner.cpp CONTENT "")
add_library(tarnwick_pch OBJECT ${CMAKE_BINARY_DIR}/pch/owner.cpp)
target_link_libraries(tarnwick_pch PRIVATE tarnwick_options)
target_precompile_headers(tarnwick_pch PRIVATE ${TARNWICK_PCH_HEADERS})

# Whether TARGET links a target whose name matches PATTERN, itself or through libraries of ours.
function(_tarnwick_reaches target pattern out)
    get_target_property(libs ${target} LINK_LIBRARIES)
    set(found FALSE)
    foreach(lib IN LISTS libs)
        if(lib MATCHES "${pattern}")
            set(found TRUE)
        elseif(TARGET ${lib})
            get_target_property(real ${lib} ALIASED_TARGET)
            if(NOT real)
                set(real ${lib})
            endif()
            get_target_property(type ${real} TYPE)
            get_target_property(imported ${real} IMPORTED)
            if(real MATCHES "${pattern}")
                set(found TRUE)
            elseif(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT imported)
                _tarnwick_reaches(${real} "${pattern}" found)
            endif()
        endif()
        if(found)
            break()
        endif()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

function(_tarnwick_targets_in dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _tarnwick_targets_in(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(tarnwick_compile_speed)
    _tarnwick_targets_in(${PROJECT_SOURCE_DIR} targets)
    set(test_owner "")
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$"
           OR target STREQUAL "tarnwick_pch")
            continue()
        endif()
        _tarnwick_reaches(${target} "^tarnwick_options$" ours)
        if(NOT ours)
            continue()
        endif()
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
        # Test code: a program that links GoogleTest, or a library that links it itself or through
        # another library. A program that only uses a test library (the store's benchmark) is no
        # test.
        set(gtest "^(GTest::)?gtest(_main)?$")
        if(type STREQUAL "EXECUTABLE")
            get_target_property(libs ${target} LINK_LIBRARIES)
            list(FILTER libs INCLUDE REGEX "${gtest}")
            set(test FALSE)
            if(libs)
                set(test TRUE)
            endif()
        else()
            _tarnwick_reaches(${target} "${gtest}" test)
        endif()
        if(NOT test)
            target_precompile_headers(${target} REUSE_FROM tarnwick_pch)
        else()
            target_compile_options(${target} PRIVATE ${TARNWICK_TEST_CODE_OPTIONS})
            if(test_owner)
                target_precompile_headers(${target} REUSE_FROM ${test_owner})
            else()
                # The first test target owns the tests' header.
                set(test_owner ${target})
                target_precompile_headers(${target} PRIVATE ${TARNWICK_TEST_PCH_HEADERS})
            endif()
        endif()
    endforeach()
endfunction()
