// SPDX-License-Identifier: MIT
#include "Recovery.h"

#include "AnsiFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora::editor {

namespace {
// The recovery file starts with the page's path on its own line, so a
// leftover can be matched to its page without trusting the hash alone.
constexpr char kHeader[] = "velmora-editor recovery\n";
} // namespace

Recovery::Recovery(QString folder, QString pagePath)
    : m_folder(std::move(folder)), m_page(QFileInfo(pagePath).absoluteFilePath())
{
    const QByteArray hash =
        QCryptographicHash::hash(m_page.toUtf8(), QCryptographicHash::Sha1).toHex();
    m_file = QDir(m_folder).filePath(QString::fromLatin1(hash) + QStringLiteral(".htm"));
}

bool Recovery::store(const QString& text) const
{
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    const QByteArray bytes = QByteArray(kHeader) + m_page.toUtf8() + '\n' + text.toUtf8();
    return writeFileBytes(m_file, bytes).ok;
}

std::optional<QString> Recovery::leftOver() const
{
    const std::optional<QByteArray> bytes = readFileBytes(m_file, kMaxPageBytes + 4096);
    if (!bytes || !bytes->startsWith(kHeader)) {
        return std::nullopt;
    }
    const qsizetype start = qsizetype(sizeof(kHeader) - 1);
    const qsizetype end = bytes->indexOf('\n', start);
    if (end < 0 || QString::fromUtf8(bytes->sliced(start, end - start)) != m_page) {
        return std::nullopt;
    }
    return QString::fromUtf8(bytes->sliced(end + 1));
}

void Recovery::discard() const
{
    QFile::remove(m_file);
}

} // namespace velmora::editor
