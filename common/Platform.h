// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What differs between Windows and the other desktops, behind one face.
// One implementation file per platform is chosen by CMake.
namespace velmora::platform {

// The folder that holds the running program (and wf/, 汇总成绩.xls beside it).
QString programFolder();

// Where the working root "WebDo" lies: C:\ on Windows, the home folder elsewhere.
QString driveRoot();

// A path as the user should read it: native separators, and on the free
// desktops the home folder written as "~".
QString displayPath(const QString& path);

// The per-user folder for settings that the program folder cannot hold (a
// read-only Program Files): the roaming %APPDATA% on Windows, the user's
// configuration folder elsewhere; below it the organisation and program names.
QString userSettingsFolder();

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
