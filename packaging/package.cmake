# What an install puts beside the program folder for the system: the man pages and, when the
# command line has one, plnctl's bash completion. ./scripts/package builds the Debian package
# from debian/ with these rules (prefix /usr, program folder /usr/lib/plntool/PLNTOOL).
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/PLNTOOL.1 ${CMAKE_SOURCE_DIR}/docs/man/plnctl.1
              ${CMAKE_SOURCE_DIR}/docs/man/plnsim.1
        DESTINATION share/man/man1)
set(PLNTOOL_COMPLETION ${CMAKE_SOURCE_DIR}/packaging/plnctl.bash-completion)
if(EXISTS ${PLNTOOL_COMPLETION})
  install(FILES ${PLNTOOL_COMPLETION} DESTINATION share/bash-completion/completions RENAME plnctl)
endif()
