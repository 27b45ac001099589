# SPDX-License-Identifier: MIT
# Two NSIS installers from one Windows build, each installing one program
# folder into Program Files:
#
#   Velmora-<version>-setup.exe  Velmora.exe, velmora-mark.exe, wf\
#   Velcoll-<version>-setup.exe  Velcoll.exe, 汇总成绩.xls; opens UDP and TCP
#                                1202 in Windows Firewall (and closes them on
#                                removal)
#
#   cmake --build --preset windows --target installers   (needs makensis)
#
# Each installer is a CPack run over one install component, with its own
# configuration file beside the generated CPackConfig.cmake.

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Velmora)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
# One component per installer (chosen in its own configuration file), laid
# out at the top of the program folder rather than in component folders.
set(CPACK_MONOLITHIC_INSTALL ON)
# A 64-bit installer: the programs are 64-bit, and so is Program Files.
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma\n  Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_CONTACT "support@velmora.example")
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)

set(velmora_installer_configs)
function(velmora_installer program component display icon)
  # Commands run at the end of installing and at the start of removing
  # (NSIS script, see cmake/windows/Installer.cmake.in).
  set(VELMORA_INSTALLER_PROGRAM ${program})
  set(VELMORA_INSTALLER_COMPONENT ${component})
  set(VELMORA_INSTALLER_DISPLAY ${display})
  set(VELMORA_INSTALLER_ICON ${icon})
  set(VELMORA_INSTALLER_EXTRA_INSTALL "${ARGV4}")
  set(VELMORA_INSTALLER_EXTRA_UNINSTALL "${ARGV5}")
  set(config ${CMAKE_BINARY_DIR}/CPackConfig-${program}.cmake)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Installer.cmake.in ${config} @ONLY)
  set(velmora_installer_configs ${velmora_installer_configs} ${config} PARENT_SCOPE)
endfunction()

velmora_installer(Velmora student "Velmora 网页制作练习"
  ${CMAKE_SOURCE_DIR}/packaging/windows/velmora.ico)

# The collector receives scores on UDP port 1202 and the students' work on
# TCP port 1202: one rule for each protocol, both for Velcoll.exe only.
set(velcoll_rule "name=\"Velcoll UDP 1202\"")
set(velcoll_tcp_rule "name=\"Velcoll TCP 1202\"")
velmora_installer(Velcoll teacher "Velcoll 成绩收集"
  ${CMAKE_SOURCE_DIR}/packaging/windows/velcoll.ico
  "nsExec::ExecToLog 'netsh advfirewall firewall delete rule ${velcoll_rule}'
  nsExec::ExecToLog 'netsh advfirewall firewall add rule ${velcoll_rule} dir=in action=allow protocol=UDP localport=1202 program=\"$INSTDIR\\Velcoll.exe\" profile=any'
  nsExec::ExecToLog 'netsh advfirewall firewall delete rule ${velcoll_tcp_rule}'
  nsExec::ExecToLog 'netsh advfirewall firewall add rule ${velcoll_tcp_rule} dir=in action=allow protocol=TCP localport=1202 program=\"$INSTDIR\\Velcoll.exe\" profile=any'"
  "nsExec::ExecToLog 'netsh advfirewall firewall delete rule ${velcoll_rule}'
  nsExec::ExecToLog 'netsh advfirewall firewall delete rule ${velcoll_tcp_rule}'")

set(velmora_cpack_runs)
foreach(config ${velmora_installer_configs})
  list(APPEND velmora_cpack_runs COMMAND ${CMAKE_CPACK_COMMAND} --config ${config})
endforeach()
add_custom_target(installers ${velmora_cpack_runs}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making the Windows installers in ${CMAKE_BINARY_DIR}/installers"
  VERBATIM)
add_dependencies(installers Velmora Velcoll velmora-mark)
