# kx4xx_delay_import(TARGET DEF): TARGET is an import library of the DLL that
# DEF names which binds the functions DEF lists at their first call, not when
# the program starts. Windows resolves a program's ordinary imports before
# its first instruction, searching the program's own folder first for every
# DLL that is not one of its known system DLLs; a delayed import is loaded
# later, by the delay-load hook (ui/framework/delay_load_hook.cpp), from the
# system folder. A function missing from DEF fails the link.
#
# DEF spells the names as 32-bit Windows decorates stdcall functions
# (Name@bytes); the 64-bit build drops the decoration, which that ABI has not.
function(kx4xx_delay_import target def)
    get_filename_component(def ${def} ABSOLUTE)
    get_filename_component(stem ${def} NAME_WE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    set(input ${def})
    set(options)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        file(READ ${def} text)
        string(REGEX REPLACE "@[0-9]+" "" text "${text}")
        set(input ${CMAKE_CURRENT_BINARY_DIR}/${stem}-delay.def)
        file(CONFIGURE OUTPUT ${input} CONTENT "${text}" @ONLY)
    else()
        set(options --kill-at)
    endif()
    # dlltool names the library's symbols after the output path as given: a
    # relative one, so that no folder of the build enters the programs.
    set(library ${CMAKE_CURRENT_BINARY_DIR}/lib${stem}-delay.a)
    add_custom_command(OUTPUT ${library}
        COMMAND ${CMAKE_DLLTOOL} ${options} --input-def ${input} --output-delaylib lib${stem}-delay.a
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        DEPENDS ${input}
        COMMENT "Making the delay-import library of ${stem}.dll"
        VERBATIM)
    add_custom_target(${target}_file DEPENDS ${library})
    add_library(${target} INTERFACE)
    add_dependencies(${target} ${target}_file)
    target_link_libraries(${target} INTERFACE ${library})
endfunction()
