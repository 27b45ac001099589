// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace velmora::editor {

// A page keeps the encoding it came in: GBK (a gb2312 or GBK page, or one
// that declares nothing) or UTF-8 (a byte-order mark, or charset=utf-8 in its
// first 1024 bytes: the same rule as the marking run's).
enum class PageEncoding
{
    Gbk,
    Utf8,
};

// What a page file was when it was read or written, to notice another
// program's change before a save overwrites it.
struct DiskStamp
{
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray digest; // SHA-256 of the bytes

    bool operator==(const DiskStamp&) const = default;
};

struct OpenedPage
{
    bool ok = false;
    QString error; // why it cannot be opened, in Chinese; empty when ok
    QString text;
    PageEncoding encoding = PageEncoding::Gbk;
    bool byteOrderMark = false;
    DiskStamp stamp;
};

struct SavedPage
{
    bool ok = false;
    QString error; // why the save failed, in Chinese; the old file is unchanged
    DiskStamp stamp;
};

PageEncoding pageEncoding(QByteArrayView bytes);

// Reads a page: regular files of at most 16 MiB only (folders, pipes and
// devices are refused, and nothing blocks).
OpenedPage openPage(const QString& path);

// The bytes a save writes: every line end CR LF, in the page's encoding.
// Characters GBK cannot hold become numeric character references, so
// nothing turns into '?'.
QByteArray encodePage(QStringView text, PageEncoding encoding, bool byteOrderMark);

// Writes the bytes atomically (complete or not at all).
SavedPage savePage(const QString& path, const QByteArray& bytes);

// The file as it is on disk now.
DiskStamp diskStamp(const QString& path);

} // namespace velmora::editor
