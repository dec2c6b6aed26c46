# Install rules and the Debian package (CPack, DEB generator). Only the two
# executables and their desktop files are installed; tests and benchmarks are
# never packaged. scripts/package.sh builds the package in build-package/.
include(GNUInstallDirs)

# Installing (and so cpack) takes what is built and builds nothing itself:
# scripts/package.sh builds the two executables first, and the package test
# packs the test build's own binaries without a second build in the middle of
# a test run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(EQSET_MAINTAINER "the EQSet authors <eqset@example.invalid>")
set(eqset_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/eqset)
set(eqset_generated ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS eqset eqset-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/eqset.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/eqset.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# The copyright file in Debian's machine-readable format, its licence text
# taken from LICENSE (from "Permission" on), as a paragraph continuation: each
# line indented by one space, an empty line written " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(FIND "${license}" "Permission is hereby granted" start)
if(start LESS 0)
  message(FATAL_ERROR "LICENSE does not hold the MIT licence text")
endif()
string(SUBSTRING "${license}" ${start} -1 license)
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " EQSET_LICENSE_TEXT "${license}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${eqset_generated}/copyright @ONLY)
install(FILES ${eqset_generated}/copyright DESTINATION ${eqset_docdir})

# A package with no Debian revision in its version is a native one, whose
# changelog Debian policy names changelog.gz, compressed at the highest level
# and without a timestamp.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${eqset_generated}/changelog @ONLY)
execute_process(COMMAND gzip -9nc ${eqset_generated}/changelog
                OUTPUT_FILE ${eqset_generated}/changelog.gz
                RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip of the Debian changelog failed: ${gzip_result}")
endif()
install(FILES ${eqset_generated}/changelog.gz DESTINATION ${eqset_docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME eqset)
set(CPACK_PACKAGE_VENDOR "the EQSet authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${EQSET_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${EQSET_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What Qt loads at run time, which the shared libraries do not name: the
# SQLite driver of the settings store and the platform plugins that open the
# window. Qt's Chinese for standard buttons and dialogs, and a font with the
# Chinese glyphs, are recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "setup and room equalization of a six-channel cinema audio processor
EQSet joins a PC to a six-channel cinema audio processor over a serial line
(Modbus RTU) and edits every setting live: the 31-band graphic equalizer of
each channel, levels, master volume, fades, inputs and processing modes, mute,
limiter, polarity, the pink-noise channel and the delays computed from the
size of the theatre.

It tunes the room as well: the processor plays pink noise, tones or sweeps,
EQSet reads the measured third-octave curve of a channel, draws it against a
target curve and writes the equalizer compensation, step by step or fully
automatically, and writes a commissioning report as a PDF. The window text is
Chinese.

The package also holds eqset-sim, a simulated processor on a pseudo-terminal,
for training and trying the tool without hardware.")

include(CPack)
