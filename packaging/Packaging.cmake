# What a desktop and a package manager need beside the program: the menu
# entry and the systemd user unit (each with the installed program's full
# path), AppStream metadata,
# the man page, and the Debian package's copyright and changelog.
set(TALVOR_APP_ID io.github.talvor.Talvor)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)
configure_file(${packaging}/${TALVOR_APP_ID}.metainfo.xml.in ${generated}/${TALVOR_APP_ID}.metainfo.xml @ONLY)
# The prefix is known only at install time (`cmake --install --prefix ~/.local`).
install(CODE "
  file(READ \"${packaging}/${TALVOR_APP_ID}.desktop.in\" entry)
  string(REPLACE \"@TALVOR_EXEC@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvor\" entry \"\${entry}\")
  file(WRITE \"${generated}/${TALVOR_APP_ID}.desktop\" \"\${entry}\")")
install(FILES ${generated}/${TALVOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The user unit that runs the monitor without a window.
install(CODE "
  file(READ \"${packaging}/talvor.service.in\" unit)
  string(REPLACE \"@TALVOR_BIN@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
  file(WRITE \"${generated}/talvor.service\" \"\${unit}\")")
install(FILES ${generated}/talvor.service DESTINATION lib/systemd/user)
install(FILES ${generated}/${TALVOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the man page and the changelog compressed, reproducibly.
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${generated}/talvor.1.gz ${generated}/changelog.gz
  COMMAND ${GZIP} -9n -c ${packaging}/talvor.1 > ${generated}/talvor.1.gz
  COMMAND ${GZIP} -9n -c ${packaging}/changelog > ${generated}/changelog.gz
  DEPENDS ${packaging}/talvor.1 ${packaging}/changelog)
add_custom_target(talvor-docs ALL DEPENDS ${generated}/talvor.1.gz ${generated}/changelog.gz)
install(FILES ${generated}/talvor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence in Debian's copyright format: paragraphs indented, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^.*(Permission is hereby)" "\\1" license "${license}")
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " TALVOR_LICENSE_TEXT " ${license}")
configure_file(${packaging}/copyright.in ${generated}/copyright @ONLY)

# `cpack -G DEB` from a Release build (scripts/package does both).
set(CPACK_PACKAGE_NAME talvor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Talvor developers <talvor@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "signal-strength monitor for a satellite modem's status page")
set(CPACK_PACKAGE_DESCRIPTION "Talvor polls the plain-text status page of a satellite modem on the home
network, reads the signal strength from it and shows every reading in its
window title, as a bar in a histogram and as a number in its tray icon. It
keeps a record of every poll with a timeline of days and years, writes
reports, and shares its numbers with Prometheus and Home Assistant.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Each library with its minimum version, under the package that holds it
# here: libcurl as Depends, the sharing libraries (opened only once sharing
# is set up) as Recommends.
set(Depends)
set(Recommends)
get_property(libraries GLOBAL PROPERTY TALVOR_PACKAGE_LIBRARIES)
find_program(DPKG_QUERY dpkg-query)
foreach(entry ${libraries})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 field)
  list(GET entry 1 library)
  list(GET entry 2 minimum)
  if(DPKG_QUERY)
    execute_process(COMMAND ${DPKG_QUERY} -S ${library} OUTPUT_VARIABLE owner ERROR_QUIET)
    if(owner MATCHES "^([^:,]+)")
      list(APPEND ${field} "${CMAKE_MATCH_1} (>= ${minimum})")
    endif()
  endif()
endforeach()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${Depends}")
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS "${Recommends}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/talvor/talvor")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
install(FILES ${generated}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/talvor)
include(CPack)
