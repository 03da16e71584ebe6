# Resources of the Windows programs: the version numbers of project() as a
# header for the .rc files and the code, and a manifest per program made for
# the architecture being built.

set(KX4XX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kx4xx_version.h.in ${KX4XX_GENERATED_DIR}/kx4xx_version.h @ONLY)
add_library(kx4xx_version INTERFACE)
target_include_directories(kx4xx_version INTERFACE ${KX4XX_GENERATED_DIR})

if(NOT WIN32)
    return()
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(KX4XX_MANIFEST_ARCH amd64)
else()
    set(KX4XX_MANIFEST_ARCH x86)
endif()

# kx4xx_manifest(OUTPUT FILE NAME DESCRIPTION [COMMON_CONTROLS])
# writes the manifest of the program FILE to OUTPUT.
function(kx4xx_manifest output file name description)
    cmake_parse_arguments(PARSE_ARGV 4 ARG "COMMON_CONTROLS" "" "")
    set(KX4XX_MANIFEST_FILE "${file}")
    set(KX4XX_MANIFEST_NAME "${name}")
    set(KX4XX_MANIFEST_DESCRIPTION "${description}")
    set(KX4XX_MANIFEST_DEPENDENCY "")
    if(ARG_COMMON_CONTROLS)
        # Themed controls: Common Controls 6 of the program's own architecture.
        string(CONCAT KX4XX_MANIFEST_DEPENDENCY
            "  <dependency>\n"
            "    <dependentAssembly>\n"
            "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
            "processorArchitecture=\"${KX4XX_MANIFEST_ARCH}\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
            "    </dependentAssembly>\n"
            "  </dependency>")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/resources/app.manifest.in ${output} @ONLY)
endfunction()

# kx4xx_add_rc(TARGET RC_FILE INCLUDE_DIRS...) compiles a UTF-8 .rc file
# into an object of TARGET; the include folders are searched for the files it
# names too, the generated folder (version header, manifests) first.
function(kx4xx_add_rc target rc)
    get_filename_component(rc_dir ${rc} DIRECTORY)
    set(include_args -I ${KX4XX_GENERATED_DIR})
    set(depends ${KX4XX_GENERATED_DIR}/kx4xx_version.h)
    foreach(dir ${rc_dir} ${ARGN})
        list(APPEND include_args -I ${dir})
        file(GLOB inputs ${dir}/*.rc ${dir}/*.h ${dir}/images/*)
        list(APPEND depends ${inputs})
    endforeach()
    file(GLOB manifests ${KX4XX_GENERATED_DIR}/*.manifest)
    list(APPEND depends ${manifests})
    set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.o)
    add_custom_command(OUTPUT ${object}
        COMMAND ${CMAKE_RC_COMPILER} -c 65001 ${include_args} -O coff -i ${rc} -o ${object}
        WORKING_DIRECTORY ${rc_dir}
        DEPENDS ${rc} ${depends}
        COMMENT "Compiling the resources of ${target}")
    target_sources(${target} PRIVATE ${object})
endfunction()

kx4xx_manifest(${KX4XX_GENERATED_DIR}/app.manifest "ZANTOR-KX400 Manager.exe"
    "Norvane.ZANTOR-KX400.Manager" "ZANTOR-KX400 Manager" COMMON_CONTROLS)
kx4xx_manifest(${KX4XX_GENERATED_DIR}/kx4xx.manifest "kx4xx.exe"
    "Norvane.ZANTOR-KX400.kx4xx" "ZANTOR-KX400 command-line tool")

# The window program's resources (both languages, pictures, version record,
# manifest); the GUI tests link the same.
function(kx4xx_add_program_resources target)
    kx4xx_add_rc(${target} ${PROJECT_SOURCE_DIR}/resources/app.rc)
endfunction()
