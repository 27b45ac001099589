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

struct WriteResult
{
    bool ok = false;
    QString error;           // the system's reason when !ok
    bool notAFile = false;   // the target exists but is a device, pipe or socket
};

// Writes bytes atomically, replacing any old content: on any failure, a full
// disk included, the old file stays as it was and nothing half-written is left.
// A target that exists but is not a plain file is refused: it would be
// replaced by a plain file, and opening a pipe without a reader would hang.
WriteResult writeFileBytes(const QString& path, const QByteArray& bytes);

// Writes text as GBK, with no line end added.
WriteResult writeAnsiFile(const QString& path, QStringView text);

} // namespace velmora
