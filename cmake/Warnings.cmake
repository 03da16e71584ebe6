# Warnings on everywhere, and treated as errors, for our own targets.
function(kx4xx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow -Wno-missing-field-initializers)
endfunction()
