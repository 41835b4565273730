# The Debian package: `scripts/build package` configures build/package (a release build
# installed under /usr) and runs cpack there, which writes vorn-cite_VERSION_ARCH.deb.
# Its dependencies on shared libraries come from dpkg-shlibdeps; what the program only
# talks to at run time (the accessibility bus, a Secret Service) is recommended.
option(VORN_DEBIAN_PACKAGE "Install the files Debian's policy asks of a package (copyright, changelog)" OFF)
set(VORN_PACKAGE_MAINTAINER "VORN Cite developers <cite@vorn.example.org>" CACHE STRING
  "The Debian package's maintainer, as Name <address>")

if(VORN_DEBIAN_PACKAGE)
  # copyright in Debian's machine-readable format, with the text of LICENSE.
  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" vorn_license)
  string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" vorn_license "${vorn_license}")
  string(REGEX REPLACE "\n+$" "" vorn_license "${vorn_license}")
  string(REPLACE "\n\n" "\n.\n" vorn_license "${vorn_license}")
  string(REPLACE "\n" "\n " vorn_license "${vorn_license}")
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/debian/copyright"
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: VORN Cite\n"
    "Upstream-Contact: ${VORN_PACKAGE_MAINTAINER}\n"
    "Source: ${VORN_PROJECT_URL}\n"
    "Comment: The libraries VORN Cite links are listed in THIRD-PARTY-NOTICES.\n"
    "\n"
    "Files: *\n"
    "Copyright: 2026 The VORN Cite developers\n"
    "License: Expat\n"
    " ${vorn_license}\n")
  configure_file("${PROJECT_SOURCE_DIR}/platform/linux/debian/changelog.in"
    "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog" @ONLY)
  add_custom_command(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz"
    COMMAND gzip -9n -c "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog" > "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz"
    DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog"
    VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/debian/copyright" "${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz"
    DESTINATION ${VORN_DOC_INSTALL_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn-cite)
set(CPACK_PACKAGE_VENDOR "The VORN Cite developers")
set(CPACK_PACKAGE_CONTACT "${VORN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stage through DESTDIR, so that the install prefix, which the desktop entry and the
# D-Bus service file name, is /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VORN_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Selections are read over the accessibility bus (at-spi2-core); the API key lives in a
# Secret Service on the session bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "at-spi2-core, gnome-keyring | org.freedesktop.secrets, default-dbus-session-bus | dbus-session-bus")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "published evidence for the sentence you select
VORN Cite backs a scientific sentence with published evidence. Select a
claim in any application and press Alt+Super+G: a floating panel lists
PubMed references that support it, with quotes from each article.

One click renders a reference in MLA, APA, Chicago, Harvard or Vancouver
style, or as a BibTeX or RIS record, and puts it on the clipboard as plain
text, RTF and HTML at once.

It needs an API key for the VORN citation service, kept in the desktop's
keyring. The package also holds vorn-cite-cli, a command-line tool over
the same engine.")
include(CPack)
