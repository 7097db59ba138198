# The program's identity, in one place. The top-level CMakeLists.txt includes it, and so does
# packaging/windows/Installer.cmake, which runs as a script of its own.
#   QUORREL_NAME        the program's name: window title, application name, notifications,
#                       menu entry, version resource, Windows installer and firewall rules
#   QUORREL_APP_ID      the desktop entry's id (also a Wayland window's app id)
#   QUORREL_PACKAGE     the package, the command, the icon in the icon theme, and the ufw
#                       profile and firewalld service that admit the controllers' replies
#   QUORREL_WINDOWS_ID  Windows: the uninstall registry key and the running program's mutex
#   QUORREL_EXECUTABLE  the window's program file (Windows adds .exe): its target, the
#                       installer's shortcut and the program it closes
#   QUORREL_VENDOR      the maker: company and copyright of the version resource, the
#                       installer's publisher, the AppStream developer
#   QUORREL_FILE_DESCRIPTION, QUORREL_COPYRIGHT   the version resource's texts
#   QUORREL_TRAY_TITLE  the title of the tray icon's start-up balloon
set(QUORREL_NAME "Quorrel IP Configurator")
set(QUORREL_APP_ID com.trevant.QuorrelIpConfigurator)
set(QUORREL_PACKAGE quorrel-ip-configurator)
set(QUORREL_WINDOWS_ID QuorrelIpConfigurator)
set(QUORREL_EXECUTABLE Quorrel_ROZidovo)
set(QUORREL_VENDOR Trevant)
set(QUORREL_FILE_DESCRIPTION "${QUORREL_VENDOR} IP Configurator for Quorrel")
set(QUORREL_COPYRIGHT "Copyright © 2026 ${QUORREL_VENDOR}")
set(QUORREL_TRAY_TITLE "${QUORREL_VENDOR}-Security")
