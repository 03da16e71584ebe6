# kx4xx_split_debug_info(TARGET): the program file handed to users carries no
# debug information. What the build made of it goes to PROGRAM.debug beside
# the program, which names it (a GNU debug link) for debuggers and for the
# analysis of a crash report.
function(kx4xx_split_debug_info target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
        COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE_NAME:${target}>
        COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        COMMENT "Moving the debug information of ${target} beside it"
        VERBATIM)
endfunction()
