# add_project_test(NAME SOURCES ... [LIBS ...] [TIMEOUT seconds] [LINUX_ONLY]
#                  [LINUX_ONLY_CASES Suite.case ...])
# Registers one GoogleTest executable with CTest, on the offscreen platform and with a timeout,
# so that no test can hang the run. Under Wine (the Windows build, CMAKE_CROSSCOMPILING_EMULATOR)
# the timeout is doubled. What the Windows build cannot run is listed there as a disabled test, so
# that CTest's summary names it: a LINUX_ONLY executable (it reads the reference server's database
# itself), and each of the LINUX_ONLY_CASES, which the executable's own run leaves out.
function(add_project_test name)
    cmake_parse_arguments(ARG "LINUX_ONLY" "TIMEOUT" "SOURCES;LIBS;LINUX_ONLY_CASES" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(WIN32)
        if(ARG_LINUX_ONLY)
            add_test(NAME ${name} COMMAND ${name})
            set_tests_properties(${name} PROPERTIES DISABLED TRUE)
            return()
        endif()
        foreach(case ${ARG_LINUX_ONLY_CASES})
            add_test(NAME ${name}:${case} COMMAND ${name} --gtest_filter=${case})
            set_tests_properties(${name}:${case} PROPERTIES DISABLED TRUE)
        endforeach()
        if(ARG_LINUX_ONLY_CASES)
            list(JOIN ARG_LINUX_ONLY_CASES ":" excluded)
            set(gtest_arguments --gtest_filter=-${excluded})
        endif()
        math(EXPR ARG_TIMEOUT "${ARG_TIMEOUT} * 2")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} pv_test_support GTest::gtest GTest::gmock)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name} ${gtest_arguments})
    # A run that skipped cases (and failed none) shows as skipped in CTest's summary.
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} SKIP_REGULAR_EXPRESSION "pv-casos-pulados: ")
    if(TARGET pedidos-servidor)
        # The end-to-end and screen tests start the reference server.
        add_dependencies(${name} pedidos-servidor)
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PV_SERVER_BIN=$<TARGET_FILE:pedidos-servidor>;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
    endif()
endfunction()
