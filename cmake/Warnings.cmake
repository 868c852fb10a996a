# -Wall -Wextra -Werror on every target of ours, for g++, clang and MinGW alike.
function(tamborak_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow)
endfunction()
