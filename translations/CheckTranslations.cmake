# Fails, naming them, when texts of the window have no finished English translation in the
# committed .ts. lupdate merges the texts it finds in the sources into a copy of that file: a text
# that is new there, changed, or still unfinished ends up marked "unfinished" (or without any
# translation), which lrelease alone would not see for a text missing from the file.
#   cmake -DLUPDATE=... -DSOURCES=src/ui -DTS=vordana_en.ts -P CheckTranslations.cmake
foreach(variable LUPDATE SOURCES TS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "CheckTranslations.cmake needs -D${variable}=...")
  endif()
endforeach()

set(temporary "$ENV{TMPDIR}")
if(NOT temporary)
  set(temporary /tmp)
endif()
string(RANDOM LENGTH 10 suffix)
set(work "${temporary}/vordana-ts-check-${suffix}")
file(MAKE_DIRECTORY "${work}")
get_filename_component(ts_name "${TS}" NAME)
set(merged "${work}/${ts_name}")
file(COPY_FILE "${TS}" "${merged}")

execute_process(
  COMMAND "${LUPDATE}" -silent -no-obsolete -locations none "${SOURCES}" -ts "${merged}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  file(REMOVE_RECURSE "${work}")
  message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()

# lupdate writes one element per line: the context's name, then each message's source and
# translation.
file(STRINGS "${merged}" lines ENCODING UTF-8)
file(REMOVE_RECURSE "${work}")
set(context "")
set(source "")
set(missing "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^ *<name>(.*)</name>")
    set(context "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^ *<source>(.*)")
    string(REGEX REPLACE "</source>.*" "" source "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^ *<translation( type=\"unfinished\")?(/>|>)(</translation>)?")
    # Unfinished, or finished but empty.
    if(CMAKE_MATCH_1 OR CMAKE_MATCH_2 STREQUAL "/>" OR CMAKE_MATCH_3)
      string(APPEND missing "\n  ${context}: ${source}")
      math(EXPR count "${count} + 1")
    endif()
  endif()
endforeach()
if(count GREATER 0)
  message(FATAL_ERROR "${count} text(s) of the window have no finished English translation in "
    "${TS} (README.md says how to update it):${missing}")
endif()
