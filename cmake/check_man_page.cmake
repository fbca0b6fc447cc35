# Formats a manual page as `man` would and fails on any warning.
#   cmake -DGROFF=... -DPAGE=docs/x.1 -DVERSION=3.3 -P check_man_page.cmake
execute_process(COMMAND ${GROFF} -man -Tutf8 -ww ${PAGE}
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "${PAGE}: groff exited with ${status}:\n${warnings}")
endif()
file(STRINGS ${PAGE} title REGEX "^\\.TH ")
if(NOT title MATCHES "\"orn2ansi ${VERSION}\"")
  message(FATAL_ERROR "${PAGE}: the title line does not name version ${VERSION}: ${title}")
endif()
