# What `cmake --install` puts where, and the Debian package CPack makes of it (`make package`).
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/Project.cmake)

set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set(out ${PROJECT_BINARY_DIR}/packaging)
configure_file(${pkg}/lanspry.desktop.in ${out}/${LANSPRY_APP_ID}.desktop @ONLY)
configure_file(${pkg}/lanspry.metainfo.xml.in ${out}/${LANSPRY_APP_ID}.metainfo.xml @ONLY)
configure_file(${pkg}/lanspry.1.in ${out}/lanspry.1 @ONLY)
configure_file(${pkg}/changelog.in ${out}/changelog @ONLY)
# The licence as the package's copyright file wants it: each line indented, blank lines as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(LICENSE_TEXT "")
foreach(line IN LISTS license_lines)
  if(line STREQUAL "")
    string(APPEND LICENSE_TEXT " .\n")
  else()
    string(APPEND LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(STRIP "${LICENSE_TEXT}" LICENSE_TEXT)
string(PREPEND LICENSE_TEXT " ")
configure_file(${pkg}/copyright.in ${out}/copyright @ONLY)

# Debian wants the manual and the changelog compressed, without a time stamp.
foreach(file lanspry.1 changelog)
  add_custom_command(OUTPUT ${out}/${file}.gz
    COMMAND gzip -9nc ${out}/${file} > ${out}/${file}.gz
    DEPENDS ${out}/${file} VERBATIM)
endforeach()
add_custom_target(lanspry_docs ALL DEPENDS ${out}/lanspry.1.gz ${out}/changelog.gz)

install(TARGETS lanspry RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS lanspry_sound LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/lanspry)
install(FILES ${out}/${LANSPRY_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${out}/${LANSPRY_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${out}/lanspry.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${out}/copyright ${out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/icon/lanspry.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${LANSPRY_APP_ID}.svg)
foreach(size IN LISTS LANSPRY_ICON_SIZES)
  install(FILES ${PROJECT_BINARY_DIR}/res/icons/${size}x${size}/${LANSPRY_APP_ID}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanspry)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${LANSPRY_MAINTAINER_NAME}")
set(CPACK_PACKAGE_CONTACT "${LANSPRY_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(LANSPRY_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LANSPRY_HOMEPAGE})
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries it links: the dialog face, Qt's platform plugins to show anything, and its
# Chinese texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test client for TCP, UDP and multicast connections")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lanspry opens one dialog in which a network engineer picks TCP, UDP or UDP
with multicast group membership, enters an IPv4 destination and ports, and
opens a channel with one button. Text typed into the send box, or the bytes
it spells in hexadecimal, goes out on the channel; everything that arrives is
shown as text or as a hex dump, with byte counters and a receive cue. The
last destination, ports and mode are brought back at the next start.
.
The program's texts are Chinese.")
include(CPack)
