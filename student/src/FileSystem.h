// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace velmora::student {

// The outcome of one file-system operation: ok, or the reason it failed.
struct FsResult
{
    bool ok = false;
    QString error;

    explicit operator bool() const { return ok; }
    static FsResult success() { return {true, {}}; }
    static FsResult failure(QString why) { return {false, std::move(why)}; }
};

// The file and folder operations the student program needs, over absolute
// paths that the callers build. Text is GBK ("ANSI"); files are written
// through QSaveFile, so they are complete or untouched. No widgets, no state.
class FileSystem
{
public:
    static bool fileExists(const QString& path);
    static bool folderExists(const QString& path);

    // Creates the folder and any missing parents.
    static FsResult createFolder(const QString& path);

    // Whether path is a symbolic link or a junction (dangling ones included).
    static bool isLink(const QString& path);
    // Removes the link itself, never what it points to; false when path is
    // not a link or it cannot be removed.
    static bool removeLink(const QString& path);

    // Deletes the folder with everything in it, read-only entries included.
    // Links are removed as links, never followed, also when path itself is
    // one. A missing folder is a failure.
    static FsResult deleteFolder(const QString& path);

    // Copies the content of source into destination (created if absent);
    // files of the same name are replaced when overwrite is true. Links in
    // the destination where the copy puts a file or folder are removed as
    // links, so nothing is written outside destination. Copies are
    // left writable, so a read-only template does not lock the student out.
    static FsResult copyFolder(const QString& source, const QString& destination,
                               bool overwrite = true);

    // Renames (moves) a file or folder within one volume.
    static FsResult rename(const QString& from, const QString& to);

    // An empty text file, replacing any old one.
    static FsResult createTextFile(const QString& path);

    // The whole file (a task text, at most 1 MiB) decoded from GBK; nullopt
    // when it cannot be read, is not a regular file or is larger.
    static std::optional<QString> readAll(const QString& path);

    // The text up to the first line break of a settings file (at most 64 KiB);
    // nullopt when the file cannot be read, is empty, is not a regular file
    // or is larger.
    static std::optional<QString> readLine(const QString& path);

    // Replaces the file's content with text as GBK, no line end added.
    static FsResult write(const QString& path, const QString& text);

    // A path as the user should see it (native separators).
    static QString shown(const QString& path);
};

} // namespace velmora::student
