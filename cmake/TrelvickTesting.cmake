# SPDX-License-Identifier: GPL-3.0-or-later
find_package(GTest REQUIRED)

# trelvick_add_gtest(name SOURCES ... LIBS ...): a GoogleTest suite over the libraries it names.
function(trelvick_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TRELVICK_BIN_DIR=${TRELVICK_RUNTIME_DIR}")
endfunction()

# trelvick_add_qtest(name SOURCES ...): a QtTest suite that drives the real window offscreen.
function(trelvick_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE trelvick_app Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TRELVICK_BIN_DIR=${TRELVICK_RUNTIME_DIR}")
endfunction()
