# Installation and the Debian package.
#
# The programs read their settings, introduction, picture, help pages and images from
# the folder of their executable, so all of that is installed together in lib/ordevik/
# and bin/ holds links to the programs (each finds its folder from its real path). The
# GI DTD and the sample data set go to share/ordevik/. In the Debian package the
# settings file is the configuration file /etc/ordevik/ordevik.ini, linked from
# lib/ordevik/, so that an administrator's edits survive upgrades.

option(ORDEVIK_DEBIAN_LAYOUT "Install the settings file into /etc/ordevik (the Debian package)" OFF)
set(ORDEVIK_HOMEPAGE "https://ordevik.org" CACHE STRING "The project's home page")
set(ORDEVIK_CONTACT "developers@ordevik.org" CACHE STRING "The maintainers' address")

set(programFolder lib/ordevik)
set(shareFolder share/ordevik)
set(docFolder share/doc/ordevik)
set(generated ${CMAKE_BINARY_DIR}/generated)

# Installs a relative link `name` (below the prefix) that points at `target`.
function(ordevik_install_link target name)
    get_filename_component(folder ${name} DIRECTORY)
    install(CODE "
        set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
        file(MAKE_DIRECTORY \"\${root}/${folder}\")
        file(CREATE_LINK \"${target}\" \"\${root}/${name}\" SYMBOLIC)
        message(STATUS \"Installing link: \${root}/${name} -> ${target}\")")
endfunction()

set(programs ordevik-batch)
if(TARGET ordevik)
    list(APPEND programs ordevik)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${programFolder})
foreach(program ${programs})
    ordevik_install_link(../${programFolder}/${program} bin/${program})
endforeach()

if(ORDEVIK_DEBIAN_LAYOUT)
    install(FILES resources/ordevik.ini DESTINATION /etc/ordevik)
    ordevik_install_link(/etc/ordevik/ordevik.ini ${programFolder}/ordevik.ini)
else()
    install(FILES resources/ordevik.ini DESTINATION ${programFolder})
endif()
install(FILES resources/ordevik.txt resources/ordevik.bmp DESTINATION ${programFolder})
install(DIRECTORY resources/help resources/images DESTINATION ${programFolder})
install(FILES ${CMAKE_BINARY_DIR}/generated/help/kinds.htm DESTINATION ${programFolder}/help)

install(FILES resources/gi.dtd DESTINATION ${shareFolder}/dtd)
install(DIRECTORY samples/demo DESTINATION ${shareFolder}/samples)

# Manual pages and the changelog are compressed, as Debian keeps them. The Japanese
# pages lie in docs/man/ja/ and go to share/man/ja/man1.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed)
foreach(language . ja)
    set(manFolder share/man/${language}/man1)
    if(language STREQUAL ".")
        set(manFolder share/man/man1)
    endif()
    foreach(page ordevik-batch.1 ordevik.1)
        set(source ${CMAKE_SOURCE_DIR}/docs/man/${language}/${page})
        set(target ${generated}/man/${language}/${page}.gz)
        add_custom_command(OUTPUT ${target}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/man/${language}
            COMMAND ${GZIP_PROGRAM} -9n -c ${source} > ${target}
            DEPENDS ${source} VERBATIM)
        list(APPEND compressed ${target})
        install(FILES ${target} DESTINATION ${manFolder})
    endforeach()
endforeach()
configure_file(resources/linux/changelog ${generated}/changelog @ONLY)
add_custom_command(OUTPUT ${generated}/changelog.gz
    COMMAND ${GZIP_PROGRAM} -9n -c ${generated}/changelog > ${generated}/changelog.gz
    DEPENDS ${generated}/changelog VERBATIM)
list(APPEND compressed ${generated}/changelog.gz)
add_custom_target(ordevik_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${generated}/changelog.gz DESTINATION ${docFolder})
configure_file(resources/linux/copyright ${generated}/copyright @ONLY)
# The sample data set is Shift_JIS on purpose: it is what the programs read.
install(FILES resources/linux/lintian-overrides DESTINATION share/lintian/overrides
        RENAME ordevik)
install(FILES ${generated}/copyright DESTINATION ${docFolder})

# The menu entry, its icon in the sizes desktops ask for, and the AppStream metadata.
install(FILES resources/linux/ordevik.desktop DESTINATION share/applications)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES resources/images/icon-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ordevik.png)
endforeach()
install(FILES resources/images/ordevik.svg DESTINATION share/icons/hicolor/scalable/apps)
configure_file(resources/linux/org.ordevik.Ordevik.metainfo.xml.in
               ${generated}/org.ordevik.Ordevik.metainfo.xml @ONLY)
install(FILES ${generated}/org.ordevik.Ordevik.metainfo.xml DESTINATION share/metainfo)

set(CPACK_PACKAGE_NAME ordevik)
set(CPACK_PACKAGE_VENDOR "The Ordevik developers")
set(CPACK_PACKAGE_CONTACT "The Ordevik developers <${ORDEVIK_CONTACT}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert Japanese map data sets into GI XML documents")
set(CPACK_PACKAGE_DESCRIPTION "Ordevik converts Japanese map data sets (a fileset-list
CSV file, and per fileset Shift_JIS data, point-data and metadata
files) into XML documents of the GI document type, in Shift_JIS or
UTF-8. The wizard ordevik leads through the choices; ordevik-batch
converts from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORDEVIK_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (file dialogs, context menus, standard buttons) in the desktop's language.
# A Japanese face for the map preview's legend (without one the legend has no names).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
configure_file(resources/linux/conffiles ${generated}/conffiles COPYONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${generated}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The installed program, called through its link, writes what the build's program does.
add_test(NAME InstallTest.InstalledProgramWritesTheSameTree
         COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check-install.sh
                 ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
