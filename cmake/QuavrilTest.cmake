# quavril_add_test(<name> SOURCES <files...> LIBS <libs...> LABELS <label> [WRAPPER <script>]
#                  [TIMEOUT <seconds>])
# One GoogleTest executable; every test case becomes a CTest test carrying the label (one
# label: the discovered tests' properties do not carry a list). With WRAPPER, every test case
# (and the listing of the cases) runs as `<script> <executable> ...`, for example inside a
# private session bus. A test case that has not ended after TIMEOUT seconds (default
# QUAVRIL_TEST_TIMEOUT, 120) is killed and fails, so that a hang fails in bounded time; the
# default leaves room for sanitizer builds on two shared cores.
set(QUAVRIL_TEST_TIMEOUT 120 CACHE STRING "Seconds after which a test case fails as hanging")
function(quavril_add_test name)
    cmake_parse_arguments(T "" "WRAPPER;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT ${QUAVRIL_TEST_TIMEOUT})
    endif()
    set(T_LABEL "")
    if(T_LABELS)
        list(GET T_LABELS 0 T_LABEL)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        QUAVRIL_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
        QUAVRIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    if(T_WRAPPER)
        set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${T_WRAPPER})
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT}
        DISCOVERY_TIMEOUT 60)
endfunction()
