# What an installation holds besides the two programs (their install() rules
# sit next to their targets), and the Debian package: `cpack -G DEB` in the
# build directory.
include(GNUInstallDirs)

if(NOT WIN32)
  # Debian keeps manual pages gzip-compressed; -n leaves the time stamp out
  # so that every build of a version packs the same bytes.
  set(_moltrabeck_man_pages)
  foreach(_page moltrabeck.1 moltrabeck-ini.1)
    set(_source ${PROJECT_SOURCE_DIR}/man/${_page})
    set(_packed ${PROJECT_BINARY_DIR}/man/${_page}.gz)
    add_custom_command(
      OUTPUT ${_packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${_source} ${_packed}
      DEPENDS ${_source}
      COMMENT "Compressing manual page ${_page}"
      VERBATIM)
    list(APPEND _moltrabeck_man_pages ${_packed})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${_moltrabeck_man_pages})
  install(FILES ${_moltrabeck_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The schema is an example for a new site; an existing database keeps its own.
  install(FILES ${PROJECT_SOURCE_DIR}/sql/schema.sql
          DESTINATION ${CMAKE_INSTALL_DATADIR}/moltrabeck)
endif()

set(MOLTRABECK_PACKAGE_MAINTAINER "moltrabeck maintainers <moltrabeck@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME moltrabeck)
set(CPACK_PACKAGE_VENDOR moltrabeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MOLTRABECK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "import terminal booking files into a MariaDB/MySQL bookings table")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MOLTRABECK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "moltrabeck is started once per booking file that a time-and-attendance
terminal delivers (delimited dta files and the fixed-width 40p, 50p and
62p records). It completes every booking from the terminal's master data
and inserts it into the bookings table in one transaction, reporting
existing and rejected bookings in its run log and exit code.
moltrabeck-ini writes its encrypted connection settings.")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mariadb-client")

# The package must name the client library it links; dpkg-shlibdeps finds it
# (with the C and C++ runtimes) from the binaries themselves.
find_program(MOLTRABECK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(MOLTRABECK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmariadb3, libstdc++6, libgcc-s1, libc6")
endif()

include(CPack)
