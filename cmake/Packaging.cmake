# `cpack -G DEB` (run in the build folder) makes the two Debian packages from the install
# components: zrt-vivoraz-cli for headless machines, and zrt-vivoraz, the window, which depends on
# it. Their dependencies come from the shared libraries they link (dpkg-shlibdeps), and the window's
# also on Qt's translations, which give Qt's own dialogs in Polish. The rule
# package's scripts let a running udev take the rule at once.
set(CPACK_PACKAGE_NAME zrt-vivoraz)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZrT_VivoRaz maintainers")
set(CPACK_PACKAGE_CONTACT "ZrT_VivoRaz maintainers <maintainers@zrt-vivoraz.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli gui)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZrT_VivoRaz maintainers <maintainers@zrt-vivoraz.invalid>")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_CLI_DISPLAY_NAME "command-line program")
set(CPACK_DEBIAN_CLI_PACKAGE_NAME zrt-vivoraz-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
string(CONCAT CPACK_DEBIAN_CLI_DESCRIPTION
    "configure Zr-T USB contactless card readers from the command line\n"
    "zrt-vivoraz-cli lists the Zr-T card readers attached to the computer, shows\n"
    "and changes their settings, copies settings from one reader to a whole fleet\n"
    "through a settings file, and upgrades their firmware. The package also holds\n"
    "the udev rule that gives the readers to the user at the local seat.")
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/app/linux/postinst ${CMAKE_SOURCE_DIR}/app/linux/postrm)

set(CPACK_COMPONENT_GUI_DISPLAY_NAME "window")
set(CPACK_DEBIAN_GUI_PACKAGE_NAME zrt-vivoraz)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_GUI_DEPENDS cli)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS qt6-translations-l10n)
string(CONCAT CPACK_DEBIAN_GUI_DESCRIPTION
    "configure Zr-T USB contactless card readers in a window\n"
    "ZrT_VivoRaz finds a connected Zr-T card reader, shows its model, serial number\n"
    "and firmware version, loads the reader's settings into its window, writes the\n"
    "edited settings back and uploads newer firmware for the reader's model.")

include(CPack)
