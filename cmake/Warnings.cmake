# Warnings are on everywhere and kept clean; VORDANA_WERROR turns them into errors (CI does).
option(VORDANA_WERROR "Treat warnings as errors" OFF)
set(VORDANA_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wconversion -Wsign-conversion -Wdouble-promotion
  -Wformat=2 -Wimplicit-fallthrough -Wmisleading-indentation -Wduplicated-cond -Wlogical-op)
if(VORDANA_WERROR)
  list(APPEND VORDANA_WARNINGS -Werror)
endif()

function(vordana_warnings target)
  target_compile_options(${target} PRIVATE ${VORDANA_WARNINGS})
endfunction()
