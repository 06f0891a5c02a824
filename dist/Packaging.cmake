# The Debian package: cpack -G DEB in a configured tree packs what
# cmake --install --prefix /usr installs (scripts/package.sh does it all).
# Dependencies: dpkg-shlibdeps reads them from the program's libraries; the
# ones below are opened at run time and so invisible to it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "The Orvane developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${ORVANE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "multi-engine web search tool")
# CPack indents these lines and marks the empty one; Debian wants them
# shorter than 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Orvane searches many web search engines at once. Type a keyword, pick a\n"
  "language and a category, and every enabled engine of that group opens in a\n"
  "tab of its own, each a real embedded browser (WebKitGTK).\n"
  "\n"
  "Keyword suggestions appear as you type; engines are added, ordered and\n"
  "given shortcuts in a side panel, or imported from browsers and OpenSearch\n"
  "descriptions; the text highlighted in any program can be searched with one\n"
  "key, and the GNOME Shell overview and KRunner search through the running\n"
  "window. The interface is available in English, Chinese and Japanese.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORVANE_WEB_SITE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl for suggestions and the version check; glib-networking gives
# WebKit its TLS. (The launcher's flock and cmp are in essential packages.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, glib-networking")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
