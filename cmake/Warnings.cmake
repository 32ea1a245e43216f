# Our own targets build warning-free with these; third-party headers are
# included as system headers so their warnings stay theirs.
function(dbui_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
