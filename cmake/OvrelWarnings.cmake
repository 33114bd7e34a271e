# Warnings are errors in our own code. Third-party headers come in as system includes.
function(ovrel_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
    # The platform's structs keep the anonymous members of the interfaces they stand in for
    # (a matrix's named elements over its array); GCC allows them, clang calls them extensions.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        target_compile_options(${target} PRIVATE -Wno-nested-anon-types -Wno-gnu-anonymous-struct)
    endif()
endfunction()
