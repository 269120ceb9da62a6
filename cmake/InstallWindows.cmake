# The Windows installation: what "Program Files\Ordevik" holds, laid out by
#
#     cmake --install build-windows --prefix STAGE --strip
#
# The programs read their settings, introduction, picture, help pages and images from
# the folder of their executable, so all of that lies beside them; the GI DTD and the
# sample data set lie in folders of their own. This tree is the one list of files: the
# zip (cpack -G ZIP) packs it, and scripts/windows-installers.py makes the setup
# program's file and removal lists and the MSI's components from it.

configure_file(resources/README-windows.txt ${CMAKE_BINARY_DIR}/README-windows.txt @ONLY
               NEWLINE_STYLE CRLF)
set(programs ordevik-batch)
# The native wizard, where this build makes it.
if(TARGET ordevik)
    list(APPEND programs ordevik)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION .)
# The icon of the Start-menu entry and of "Apps and features" lies beside the programs,
# so that it does not depend on an icon resource inside either of them.
install(FILES resources/ordevik.ini resources/ordevik.txt resources/ordevik.bmp
              resources/windows/ordevik.ico ${CMAKE_BINARY_DIR}/README-windows.txt
        DESTINATION .)
install(DIRECTORY resources/help resources/images DESTINATION .)
# The list of feature kinds, written from the shipped settings by a build that can run
# its generator (the Linux one; see scripts/build-windows.sh).
set(ORDEVIK_KINDS_PAGE "" CACHE FILEPATH "help/kinds.htm made by a native build")
if(ORDEVIK_KINDS_PAGE)
    install(FILES ${ORDEVIK_KINDS_PAGE} DESTINATION help)
endif()
install(FILES resources/gi.dtd DESTINATION dtd)
install(DIRECTORY samples/demo DESTINATION samples)
# The program's licence, and the notices of what is linked into it.
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES resources/windows/THIRD-PARTY.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ordevik)
set(CPACK_PACKAGE_FILE_NAME ordevik-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
