# `cmake --install` (any prefix, any DESTDIR): the program folder PREFIX/lib/folivex/
# holds what the build tree's bin/ holds, and PREFIX/bin/folivex links to the program.
# The plug-ins install themselves (plugins/CMakeLists.txt), the desktop files in
# resources/desktop/, the documents in packaging/.

install(TARGETS folivex RUNTIME DESTINATION ${FOLIVEX_INSTALL_PROGRAM_DIR})
install(FILES ${FOLIVEX_BIN_DIR}/Change.WAV DESTINATION ${FOLIVEX_INSTALL_PROGRAM_DIR})
# Marks the folder as a system one, so the program keeps its data in ~/.config/folivex/
# even for a user who could write here.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/INSTALLED
        DESTINATION ${FOLIVEX_INSTALL_PROGRAM_DIR})

# A relative link, so the installed tree can be moved (DESTDIR staging, packages). The
# program still finds its folder: Qt resolves the link through /proc/self/exe.
file(RELATIVE_PATH folivex_link_target /${CMAKE_INSTALL_BINDIR}
     /${FOLIVEX_INSTALL_PROGRAM_DIR}/folivex)
set(folivex_link ${CMAKE_BINARY_DIR}/install-links/folivex)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ${folivex_link_target} ${folivex_link} SYMBOLIC)
install(FILES ${folivex_link} DESTINATION ${CMAKE_INSTALL_BINDIR})
