function(lanspry_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
  if(LANSPRY_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
