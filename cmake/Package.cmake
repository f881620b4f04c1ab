# `make package`: a Debian package that puts the program folder in /opt/brisk-hx7730 and
# the desktop's own files (launchers in /usr/bin, desktop entry, icons, AppStream data,
# documentation) in their usual places. Those are of component "system", left out of a
# plain `cmake --install`, which keeps laying out the portable folder.
set(BRISK_PACKAGE_NAME brisk-hx7730)
set(BRISK_PROGRAM_FOLDER /opt/${BRISK_PACKAGE_NAME})
set(BRISK_APP_ID org.example.brisk_hx7730)
set(BRISK_PACKAGE_CONTACT "Brisk developers <brisk@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(linux ${PROJECT_SOURCE_DIR}/data/linux)
set(staged ${CMAKE_BINARY_DIR}/package)
macro(install_system)
  install(${ARGN} COMPONENT system EXCLUDE_FROM_ALL)
endmacro()

# /usr/bin holds links into the program folder: the program finds its files beside its
# real self.
file(MAKE_DIRECTORY ${staged}/bin)
file(CREATE_LINK ${BRISK_PROGRAM_FOLDER}/brisk ${staged}/bin/brisk SYMBOLIC)
file(CREATE_LINK ${BRISK_PROGRAM_FOLDER}/BriskHx7730 ${staged}/bin/${BRISK_PACKAGE_NAME} SYMBOLIC)
install_system(FILES ${staged}/bin/brisk ${staged}/bin/${BRISK_PACKAGE_NAME} DESTINATION /usr/bin)

install_system(FILES ${linux}/${BRISK_APP_ID}.desktop DESTINATION /usr/share/applications)
install_system(FILES ${linux}/${BRISK_APP_ID}.metainfo.xml DESTINATION /usr/share/metainfo)
install_system(FILES ${PROJECT_SOURCE_DIR}/data/icon/brisk.svg DESTINATION /usr/share/icons/hicolor/scalable/apps
               RENAME ${BRISK_PACKAGE_NAME}.svg)
install_system(FILES ${PROJECT_SOURCE_DIR}/data/icon/icon.png DESTINATION /usr/share/icons/hicolor/64x64/apps
               RENAME ${BRISK_PACKAGE_NAME}.png)

# Debian wants a copyright file and a changelog beside every package.
string(TIMESTAMP BRISK_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${linux}/changelog.in ${staged}/changelog @ONLY)
# Debian wants them compressed, as are the manual pages.
set(compressed)
foreach(file ${staged}/changelog ${linux}/brisk.1 ${linux}/brisk-hx7730.1)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${staged}/${name}.gz
                     COMMAND gzip -9n < ${file} > ${staged}/${name}.gz
                     DEPENDS ${file})
  list(APPEND compressed ${staged}/${name}.gz)
endforeach()
add_custom_target(brisk_package_files ALL DEPENDS ${compressed})
install_system(FILES ${staged}/brisk.1.gz ${staged}/brisk-hx7730.1.gz DESTINATION /usr/share/man/man1)
set(doc /usr/share/doc/${BRISK_PACKAGE_NAME})
install_system(FILES ${linux}/copyright ${staged}/changelog.gz DESTINATION ${doc})
install_system(FILES ${linux}/lintian-overrides DESTINATION /usr/share/lintian/overrides
               RENAME ${BRISK_PACKAGE_NAME})

# CPack packs what is built; it builds nothing itself, so the package test inside ctest
# never rebuilds the binaries that other tests run. `make package` builds first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${BRISK_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Brisk developers")
set(CPACK_PACKAGE_CONTACT ${BRISK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the HX-7730 radio")
set(CPACK_PACKAGE_DESCRIPTION
    "Brisk writes firmware into an HX-7730 radio on a serial line, a boot loader\n"
    "first and then the image in acknowledged, check-summed blocks, and clones the\n"
    "radio's settings (both menu banks and the 600 memory channels) to and from a\n"
    "CSV file. It installs the window BriskHx7730 (brisk-hx7730) and the command\n"
    "line brisk.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${BRISK_PROGRAM_FOLDER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${BRISK_PROGRAM_FOLDER})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified system)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SQLite driver as a plugin, which no binary links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6sql6-sqlite)
# Japanese texts need a CJK font; Qt's own dialogs and buttons need Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
