// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velmora {

// Whole-file reads and writes of GBK ("ANSI") text. Reads tolerate any bytes;
// writes go through QSaveFile, so a file is either complete or untouched.

// The raw bytes of a file, or nullopt when it is missing or cannot be read.
std::optional<QByteArray> readFileBytes(const QString& path);

// The whole file decoded from GBK, or nullopt when it cannot be read.
std::optional<QString> readAnsiFile(const QString& path);

// The text up to the first line break (CR, LF or CR LF), or nullopt when the
// file cannot be read or is empty.
std::optional<QString> readAnsiFirstLine(const QString& path);

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
