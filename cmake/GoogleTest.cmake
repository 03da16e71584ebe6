# GoogleTest built from Debian's source package in every configuration, so
# that sanitizer and mingw builds get it compiled the same way as our code.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# kx4xx_add_test(NAME sources... LIBS libs...): one test program, one CTest entry.
# Under the mingw build CTest runs it through the Wine emulator.
function(kx4xx_add_test name)
    cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_UNPARSED_ARGUMENTS})
    kx4xx_warnings(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
