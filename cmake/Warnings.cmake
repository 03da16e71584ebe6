# Warnings on everywhere, and treated as errors, for our own targets.
# Sanitizer instrumentation makes GCC report uninitialised uses inside the
# standard library (std::regex, std::function) that do not exist; those
# builds drop that one warning, the plain builds keep it.
function(kx4xx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow -Wno-missing-field-initializers)
    if(KX4XX_SANITIZE)
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()
