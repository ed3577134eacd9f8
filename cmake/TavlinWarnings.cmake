# Warnings are errors on our own code; third-party code (GoogleTest, the JDK headers) is
# included as system headers and stays out of it.
function(tavlin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
