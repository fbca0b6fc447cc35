# Installs the build into a scratch prefix and checks that every file is in
# its place and the installed tools run.
#   cmake -DBUILD=... -DPREFIX=... -DBINDIR=bin -DMANDIR=share/man -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file ${BINDIR}/orn2ansi ${BINDIR}/ornview ${MANDIR}/man1/orn2ansi.1
    ${MANDIR}/man1/ornview.1)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/${BINDIR}/ornview --version
  RESULT_VARIABLE status OUTPUT_VARIABLE version)
if(NOT status EQUAL 0 OR NOT version MATCHES "^ornview [0-9]")
  message(FATAL_ERROR "the installed ornview does not run: ${status} ${version}")
endif()
execute_process(COMMAND ${PREFIX}/${BINDIR}/orn2ansi RESULT_VARIABLE status OUTPUT_VARIABLE usage)
if(NOT status EQUAL 0 OR NOT usage MATCHES "Orn2Ansi <source_file> /v <target_file>")
  message(FATAL_ERROR "the installed orn2ansi does not run: ${status} ${usage}")
endif()
file(REMOVE_RECURSE ${PREFIX})
