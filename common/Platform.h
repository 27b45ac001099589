// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

class QFile;
class QObject;

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

// The per-user folder for settings that the program folder cannot hold (a
// read-only Program Files): the roaming %APPDATA% on Windows, the user's
// configuration folder elsewhere; below it the organisation and program names.
QString userSettingsFolder();

// The local IPv4 address that the system uses to reach `teacher` (an IPv4
// address as typed). With no usable teacher address, or no route to it: the
// first IPv4 address of an interface that is up and not loopback, else
// "127.0.0.1".
QString ownIPv4(const QString& teacher = QString());

// The same for a teacher given as typed, also by name: a name is looked up
// without blocking and the route to its first IPv4 address decides; when the
// lookup finds none, the rules of ownIPv4 apply. `done` runs once on the
// calling thread from the event loop (for an address as well), and not at all
// once `context` is gone.
void ownIPv4For(const QString& teacher, QObject* context, std::function<void(QString)> done);

// The computer's network host name.
QString hostName();

// Opens a folder in the desktop's file browser without blocking.
// Windows: "Explorer /e,/root, <folder>"; elsewhere xdg-open, whose exit status
// is awaited for a few seconds in the background. `failed` runs on the
// calling thread, at most once, when the browser cannot be started or the
// opener reports a failure; not at all once `context` is gone.
void openFolder(const QString& folder, QObject* context, std::function<void()> failed);

// Starts the spreadsheet program on a workbook without waiting. Windows: the two
// fixed Excel paths in order; elsewhere LibreOffice Calc when it is installed.
bool startSpreadsheet(const QString& workbook);

// Asks the system to put what was written to an open file on the disk
// (fdatasync; on Windows _commit). `handle` is QFile::handle().
bool syncToDisk(int handle);

// Puts a folder's entries (names created, renamed or removed in it) on the
// disk, so a rename survives a power cut. Windows has no such call for a
// folder and returns true.
bool syncFolder(const QString& folder);

// Lowers the priority of the calling thread a little (Linux: nice 10 for the
// thread; Windows: below normal), for background work that must never keep
// the window's thread from a core.
void lowerThreadPriority();

// For a server's last words on a TCP connection without Qt's buffers:
// sends bytes at once on a connected socket's descriptor (all or nothing;
// false when they do not go out at once); makes a second descriptor of the
// same connection that stays open when the first is closed (-1 where the
// platform cannot: Windows); reads and drops what is waiting (false once the
// peer has closed or the connection failed); closes a descriptor. Windows
// has none of these and the caller keeps its QTcpSocket instead.
bool sendNow(qintptr descriptor, QByteArrayView bytes);
qintptr duplicateSocket(qintptr descriptor);
bool discardIncoming(qintptr descriptor);
void closeSocket(qintptr descriptor);

// The per-user folder under which Velcoll keeps what it collects:
// ~/Velcoll elsewhere, %USERPROFILE%\Documents\Velcoll on Windows.
QString collectorDocumentsFolder();

enum class OpenResult
{
    Opened,     // file is open for reading
    NotRegular, // a pipe, device, socket or folder: not opened
    Failed,     // could not be opened; why says why
};

// Opens path for reading only when it is a regular file, without ever waiting
// (a pipe with no writer would block an ordinary open for good).
OpenResult openRegularFile(QFile& file, const QString& path, QString& why);

} // namespace velmora::platform
