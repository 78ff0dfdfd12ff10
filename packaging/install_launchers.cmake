# install_launchers.cmake -- runs at install time: writes the launcher and the desktop entries with
# the paths of the prefix being installed to (a .deb's /usr, or --prefix), not the configured one.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(SUITE_BIN_DIR "${prefix}/${SUITE_BINDIR}")
set(SUITE_LIBEXEC_DIR "${prefix}/${SUITE_LIBEXECDIR}/orvanel-suite")
set(SUITE_EXAMPLES_DIR "${prefix}/${SUITE_DATADIR}/orvanel-suite/examples")
set(made "${SUITE_PACKAGING_BINARY}/installed")
configure_file("${SUITE_PACKAGING_SOURCE}/start-example.in" "${made}/start-example" @ONLY)
file(INSTALL DESTINATION "${SUITE_LIBEXEC_DIR}" TYPE PROGRAM FILES "${made}/start-example")
foreach(program simengine mapconvert dnaedit)
  configure_file("${SUITE_PACKAGING_SOURCE}/orvanel-${program}.desktop.in" "${made}/orvanel-${program}.desktop" @ONLY)
  file(INSTALL DESTINATION "${prefix}/${SUITE_DATADIR}/applications" TYPE FILE FILES "${made}/orvanel-${program}.desktop")
endforeach()
