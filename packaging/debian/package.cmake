# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder (or
# `cpack --preset deb`). Files go under /usr whatever prefix the build was configured with.
set(QLV_PACKAGE_MAINTAINER "QLV camera software <maintainers@users.noreply.c-seed-c9fff5a9.example>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

# Documentation Debian wants in every package: the copyright and a compressed changelog.
# Dated by the day of the build (or SOURCE_DATE_EPOCH), so that configuring again the same day
# rebuilds nothing.
string(TIMESTAMP changelog_date "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    COMMAND ${QLV_GZIP} -9n -c ${CMAKE_CURRENT_BINARY_DIR}/changelog
            > ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_target(qlv_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Warnings about one package carrying the library and its development files, which is intended.
configure_file(${CMAKE_CURRENT_LIST_DIR}/lintian-overrides.in
    ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qlv-camera)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qlv-camera)
set(CPACK_PACKAGE_VENDOR "QLV camera software")
set(CPACK_PACKAGE_CONTACT "${QLV_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QLV USB 2.0 colour camera: viewer, command-line tool and SDK")
set(CPACK_PACKAGE_DESCRIPTION
    "Software for the QLV USB 2.0 colour camera:
 - e-NodraViewer, the desktop viewer: live picture, capture, gallery, printing;
 - qlvctl, a command-line tool for the camera's state, streaming figures,
   pictures, settings and EEPROM;
 - libQLV_API, the camera's device library, with its header, pkg-config file
   (qlv_api) and CMake package (QLV_API);
 - a udev rule that gives the user at the seat access to the camera.
Setting QLV_CAMERA=virtual puts the library's built-in virtual camera on the
bus instead, for development without hardware.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

# Installed with DESTDIR under /usr, so that files written at install time (the .pc file) name
# the folders the package puts them in.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Dependencies from the binaries (dpkg-shlibdeps); the library's own shlibs entry for programs
# that link it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# udev is told about the rule; ldconfig runs by trigger rather than from the scripts.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm
    ${CMAKE_CURRENT_LIST_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
