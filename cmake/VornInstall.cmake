# What `cmake --install` puts where (GNU layout under CMAKE_INSTALL_PREFIX): the two
# programs in bin/; the desktop entry, the icons, the D-Bus service file, the AppStream
# metadata and the manual pages under share/; the licence and the third-party notices
# in share/doc/vorn-cite. Tests, tools and benchmarks are never installed.
include(GNUInstallDirs)

# The day of this version's release, named in the AppStream release notes and the
# manual pages (fixed, so that two builds of one version install the same files).
set(VORN_RELEASE_DATE "2026-12-10")
set(VORN_PROJECT_URL "https://vorn.example.org/cite" CACHE STRING
  "The project's homepage, named in the AppStream metadata and the Debian package")
set(VORN_SCREENSHOT_URL "${VORN_PROJECT_URL}/screenshots" CACHE STRING
  "Where the screenshots of docs/screenshots are published, for the AppStream metadata")
set(VORN_DOC_INSTALL_DIR "${CMAKE_INSTALL_DATADIR}/doc/vorn-cite")

# vorn_install_man_page(NAME.1.in): configures the page (version, date), compresses it
# as Debian's policy asks and installs it in man1.
function(vorn_install_man_page source)
  get_filename_component(name "${source}" NAME_WLE)
  configure_file("${source}" "${CMAKE_CURRENT_BINARY_DIR}/${name}" @ONLY)
  add_custom_command(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz"
    COMMAND gzip -9n -c "${CMAKE_CURRENT_BINARY_DIR}/${name}" > "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz"
    DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/${name}"
    VERBATIM)
  add_custom_target(${name}_man ALL DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()
