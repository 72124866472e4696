# Run by "cmake --install" after the files are in place: the command's link to the program and the
# desktop entry, both naming the prefix installed to. AURELLE_DESKTOP_TEMPLATE is set by the
# install rules.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
message(STATUS "Installing: ${root}/bin/aurelle -> ../lib/aurelle/aurelle")
file(CREATE_LINK ../lib/aurelle/aurelle "${root}/bin/aurelle" SYMBOLIC)
message(STATUS "Installing: ${root}/share/applications/aurelle.desktop")
configure_file("${AURELLE_DESKTOP_TEMPLATE}" "${root}/share/applications/aurelle.desktop" @ONLY)
