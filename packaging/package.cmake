# The Debian package: `cpack -G DEB` in the build folder (see README). The program folder goes
# to /opt/plntool/PLNTOOL; the programs, the menu entry, the icon and the man pages are linked
# into /usr by the maintainer scripts. A user who may not write to /opt keeps Setting.ini and
# the working folders in ~/.local/share/plntool (src/app/program_folder.h).
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/plnctl.1 ${CMAKE_SOURCE_DIR}/docs/man/plnsim.1
        DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME plntool)
set(CPACK_PACKAGE_VENDOR "Lumivex")
set(CPACK_PACKAGE_CONTACT "PLNTOOL maintainers <plntool@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Maintenance tool for the controller of a PLN vision sensor")
set(CPACK_PACKAGE_DESCRIPTION "PLNTOOL captures, downloads and uploads images, backs up banks and system data and runs measurements on the controller of a PLN-series smart vision sensor over RS-232C or Ethernet; plnctl does the same from the command line and plnsim simulates the controller.")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/plntool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-noto-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
