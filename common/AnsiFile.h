// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velmora {

// Whole-file reads and writes of GBK ("ANSI") text. Reads tolerate any bytes;
// writes go through QSaveFile, so a file is either complete or untouched.

// Every read is bounded and takes regular files only: a pipe, a device or a
// file over the limit is unreadable, and no read ever blocks or grows without
// end. The limits are far above any genuine file of its kind.
inline constexpr qint64 kMaxPageBytes = 16 * 1024 * 1024; // an exercise page
inline constexpr qint64 kMaxTaskBytes = 1024 * 1024;      // a task text
inline constexpr qint64 kMaxSettingsBytes = 64 * 1024;    // host.wf, UserName.wf

enum class ReadFailure
{
    None,
    Missing,    // nothing of that name
    NotAFile,   // a folder, pipe, device or socket
    TooLarge,   // over the limit
    Unreadable, // no permission, or the read failed
};

struct FileRead
{
    std::optional<QByteArray> bytes; // set exactly when failure is None
    ReadFailure failure = ReadFailure::None;
    QString reason; // plain English, for messages; empty when read
};

// The raw bytes of a regular file of at most limit bytes.
FileRead readRegularFile(const QString& path, qint64 limit);

// The raw bytes of a file, or nullopt when it is missing or cannot be read.
std::optional<QByteArray> readFileBytes(const QString& path, qint64 limit = kMaxPageBytes);

// The whole file decoded from GBK, or nullopt when it cannot be read.
std::optional<QString> readAnsiFile(const QString& path, qint64 limit = kMaxPageBytes);

// The text up to the first line break (CR, LF or CR LF), or nullopt when the
// file cannot be read or is empty.
std::optional<QString> readAnsiFirstLine(const QString& path, qint64 limit = kMaxSettingsBytes);

// The step of a write that failed.
enum class WriteStep
{
    None,   // nothing failed
    Open,   // creating the new file beside the target
    Write,  // writing the bytes
    Flush,  // pushing them out to the disk
    Rename, // putting the new file in place of the target
};

struct WriteResult
{
    bool ok = false;
    QString error;         // the system's reason for the failed step when !ok
    bool notAFile = false; // the target exists but is a device, pipe or socket
    WriteStep step = WriteStep::None;
};

// What went wrong, for a message box: the failed step in Chinese, naming the
// folder or file it concerned, then the system's reason.
QString writeFailureText(const QString& path, const WriteResult& result);

// Writes bytes atomically, replacing any old content: on any failure, a full
// disk included, the old file stays as it was and nothing half-written is left.
// A target that exists but is not a plain file is refused: it would be
// replaced by a plain file, and opening a pipe without a reader would hang.
WriteResult writeFileBytes(const QString& path, const QByteArray& bytes);

// Writes text as GBK, with no line end added.
WriteResult writeAnsiFile(const QString& path, QStringView text);

} // namespace velmora
