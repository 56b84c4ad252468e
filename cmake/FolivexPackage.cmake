# `cpack -G DEB`: a Debian package of the installed tree with prefix /usr. The library
# dependencies are computed by dpkg-shlibdeps from the binaries; only what the binaries
# load at run time without linking (Qt's platform plug-ins) and the fonts are named.

set(CPACK_PACKAGE_NAME folivex)
set(CPACK_PACKAGE_VENDOR "Folivex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture viewer that shows a folder as a book")
set(CPACK_PACKAGE_DESCRIPTION
    "Folivex shows the pictures of one folder as a book: a front cover, then
two-page spreads with one picture per page, or two pictures per page with
their comments. Pages turn by mouse, by keyboard or by a timer, with a
page-turn animation.
.
A contents page lists the pictures with comments and thumbnails. The list
and the look of the book are saved as album files with desktop launchers.
Further picture formats are read through Susie import plug-ins.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${FOLIVEX_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FOLIVEX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# CPack adds postinst/postrm scripts calling ldconfig because the plug-ins lie below
# /usr/lib; they are harmless (lintian warns). dpkg's triggers update the menu, icon
# and MIME caches.

include(CPack)
