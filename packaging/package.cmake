# What an install puts beside the program folder for the system: the man pages (plnctl's bash
# completion and the fleet example are installed with plnctl, src/cli). ./scripts/package builds the Debian package
# from debian/ with these rules (prefix /usr, program folder /usr/lib/plntool/PLNTOOL).
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/PLNTOOL.1 ${CMAKE_SOURCE_DIR}/docs/man/plnctl.1
              ${CMAKE_SOURCE_DIR}/docs/man/plnsim.1
        DESTINATION share/man/man1)
