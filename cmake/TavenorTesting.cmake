# Test registration. Every test binary runs through scripts/isolated-test,
# which gives it a fresh HOME, XDG_* folders and TMPDIR, so no test reads or
# writes the developer's own settings.
set(TAVENOR_TEST_RUNNER ${PROJECT_SOURCE_DIR}/scripts/isolated-test)
set(TAVENOR_TEST_OUTPUT_DIR ${CMAKE_BINARY_DIR}/tests)

# tavenor_add_gtest(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
function(tavenor_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tavenor_options GTest::gtest GTest::gtest_main ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVENOR_TEST_OUTPUT_DIR})
    _tavenor_register_test(${name} "${ARG_LABELS}" "${ARG_TIMEOUT}")
endfunction()

# tavenor_add_qtest(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
function(tavenor_add_qtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${TAVENOR_TEST_OUTPUT_DIR})
    target_link_libraries(${name} PRIVATE tavenor_options Qt5::Test ${ARG_LIBS})
    _tavenor_register_test(${name} "${ARG_LABELS}" "${ARG_TIMEOUT}")
endfunction()

function(_tavenor_register_test name labels timeout)
    add_test(NAME ${name} COMMAND ${TAVENOR_TEST_RUNNER} $<TARGET_FILE:${name}>)
    if(NOT timeout)
        set(timeout 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "${labels}"
        ENVIRONMENT "TAVENOR_BIN_DIR=${CMAKE_BINARY_DIR}/bin;TAVENOR_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# The tests of the parts that run threads of their own (the guest-service
# library, the renderer, the launch and the recording) also run under
# ThreadSanitizer: scripts/test builds the target threaded_tests in a
# thread-sanitized tree and runs the label "threaded" there.
add_custom_target(threaded_tests)

# tavenor_threaded_tests(<test target> ...)
function(tavenor_threaded_tests)
    foreach(name IN LISTS ARGN)
        set_property(TEST ${name} APPEND PROPERTY LABELS threaded)
    endforeach()
    add_dependencies(threaded_tests ${ARGN})
endfunction()
