# Where `cmake --install` puts things (GNU layout, relative to CMAKE_INSTALL_PREFIX, so that
# --prefix and DESTDIR work at install time).

# Debian's multiarch library folder under every prefix: /usr/local/lib/<arch> is on the loader's
# and pkg-config's paths as well, and a package made from any build puts the library where Debian
# expects it.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
    set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}"
        CACHE PATH "Object code libraries (LIBDIR)")
endif()
# The documentation folder is named after the Debian package.
set(CMAKE_INSTALL_DOCDIR "share/doc/qlv-camera" CACHE PATH "Documentation root (DOCDIR)")
include(GNUInstallDirs)

# The viewer program sits off the PATH; the e-nodraviewer launcher starts it in its own folder.
set(QLV_VIEWER_INSTALL_DIR "${CMAKE_INSTALL_LIBEXECDIR}/e-nodraviewer")
# The system rules folder udev reads under both /usr and /usr/local.
set(QLV_UDEV_RULES_INSTALL_DIR "lib/udev/rules.d")
