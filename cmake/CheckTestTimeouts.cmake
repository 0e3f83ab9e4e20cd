# cmake -DBUILD_DIR=<build folder> -P CheckTestTimeouts.cmake
# Fails when a test of the build has no TIMEOUT: a test without one that hangs would hold the
# whole suite until CI's own limit, instead of failing by itself.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --show-only=json-v1 --test-dir ${BUILD_DIR}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "ctest could not list the tests of ${BUILD_DIR}")
endif()
string(JSON count LENGTH "${listing}" tests)
# Each test's TIMEOUT is one property entry; only when some are missing are the tests looked
# at one by one (slow on a long list) to name them.
string(REGEX MATCHALL "\"name\" *: *\"TIMEOUT\"" timeouts "${listing}")
list(LENGTH timeouts found)
if(found EQUAL count)
    message(STATUS "${count} tests, each with a TIMEOUT")
    return()
endif()
set(missing "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON name GET "${listing}" tests ${i} name)
    string(JSON props ERROR_VARIABLE none GET "${listing}" tests ${i} properties)
    if(NOT props MATCHES "\"name\" *: *\"TIMEOUT\"")
        list(APPEND missing ${name})
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " names)
    message(FATAL_ERROR "tests without a TIMEOUT:\n  ${names}")
endif()
