# cmake -DBUILD_DIR=... -DPREFIX=... -P install_into_prefix.cmake: a clean install, so files
# left by an earlier run cannot hide a missing rule.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
