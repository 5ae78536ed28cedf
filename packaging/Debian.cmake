# The Debian package (cpack -G DEB, or the "package" target): parlix_<version>_<arch>.deb with
# everything `cmake --install` puts under the prefix. scripts/package.sh configures a release
# build for it (/usr, the release application id, the engine built for every CPU) and runs it.
set(PARLIX_PACKAGE_MAINTAINER "Parlix developers <parlix@quorvane.com>" CACHE STRING
    "Maintainer field of the Debian package")

# Debian's per-package documents: the copyright (whisper.cpp's MIT licence travels with its
# engine) and a compressed changelog.
set(PARLIX_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/share/doc/parlix)
file(MAKE_DIRECTORY ${PARLIX_PACKAGE_DOCS})
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright ${PARLIX_PACKAGE_DOCS}/copyright COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PARLIX_PACKAGE_DOCS}/changelog @ONLY)
add_custom_command(OUTPUT ${PARLIX_PACKAGE_DOCS}/changelog.gz
    COMMAND gzip -9nkf ${PARLIX_PACKAGE_DOCS}/changelog
    DEPENDS ${PARLIX_PACKAGE_DOCS}/changelog)
add_custom_target(parlix_package_docs ALL DEPENDS ${PARLIX_PACKAGE_DOCS}/changelog.gz)
install(FILES ${PARLIX_PACKAGE_DOCS}/copyright ${PARLIX_PACKAGE_DOCS}/changelog.gz DESTINATION share/doc/parlix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT ${PARLIX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "local dictation in the system tray, transcribed with whisper.cpp")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PARLIX_HOMEPAGE_URL})
# Library dependencies from the binaries (dpkg-shlibdeps); whisper.cpp's own libraries ship inside
# the package, beside the engine.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/libexec/parlix)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Not linked, but what makes Parlix work on a desktop: D-Bus for its control interface, the audio
# server's client side, Qt's translations for the standard dialogs, and hicolor for the icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "default-dbus-session-bus | dbus-session-bus, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "x-terminal-emulator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
