// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What differs between Windows and the other desktops, behind one face.
// One implementation file per platform is chosen by CMake.
namespace velmora::platform {

// The folder that holds the running program (and wf/, 汇总成绩.xls beside it).
QString programFolder();

// The folder of the computer-wide defaults that an IT person sets for a whole
// lab (the default host.wf): /etc/velmora; on Windows %ProgramData%\Velmora.
QString systemSettingsFolder();

// True when folder is an installed program folder (under the install prefix
// on Linux, under Program Files on Windows): no settings are written there,
// whoever runs the program.
bool isInstalledProgramFolder(const QString& folder);

// Where the working root "WebDo" lies: C:\ on Windows, the home folder elsewhere.
QString driveRoot();

// A path as the user should read it: native separators, and on the free
// desktops the home folder written as "~".
QString displayPath(const QString& path);

// The first IPv4 address of an interface that is up and not loopback,
// else "127.0.0.1".
QString ownIPv4();

// The computer's network host name.
QString hostName();

// Opens a folder in the desktop's file browser without waiting.
// Windows: "Explorer /e,/root, <folder>"; elsewhere xdg-open.
bool openFolder(const QString& folder);

// Starts the spreadsheet program on a workbook without waiting. Windows: the two
// fixed Excel paths in order; elsewhere LibreOffice Calc when it is installed.
bool startSpreadsheet(const QString& workbook);

} // namespace velmora::platform
