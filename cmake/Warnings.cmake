# Warnings on everywhere for our own targets. They are errors only where the
# project's own scripts ask for it (-DKX4XX_WERROR=ON), so that a user's build
# never fails on a warning a newer compiler adds.
# Sanitizer instrumentation makes GCC report uninitialised uses inside the
# standard library (std::regex, std::function) that do not exist; those
# builds drop that one warning, the plain builds keep it.
option(KX4XX_WERROR "Treat warnings in the project's own code as errors" OFF)

function(kx4xx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
    if(KX4XX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(KX4XX_SANITIZE)
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()
