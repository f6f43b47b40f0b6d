# Every target of the project is built with the same warnings, and they are kept at zero.
function(tallyfold_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wsign-conversion)
endfunction()
