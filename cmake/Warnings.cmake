# Warnings are errors under gcc and clang, for the tool and everything built
# with it.
function(recipscan_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()
