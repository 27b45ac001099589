// SPDX-License-Identifier: MIT
#include "PagePaths.h"

#include "Marking.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QUrl>

namespace velmora::editor {

namespace {

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

bool inside(const QString& folder, const QString& path)
{
    const QString rel = QDir(folder).relativeFilePath(path);
    return !rel.startsWith(QStringLiteral("..")) && !QDir::isAbsolutePath(rel);
}

} // namespace

PlacedPicture placePicture(const QString& pagePath, const QString& picturePath)
{
    PlacedPicture placed;
    const QFileInfo picture(picturePath);
    const QString folder = QFileInfo(pagePath).absolutePath();
    if (!picture.isFile()) {
        placed.error = QStringLiteral("找不到图片“") + QDir::toNativeSeparators(picturePath) +
                       QStringLiteral("”。");
        return placed;
    }
    const QString absolute = picture.canonicalFilePath();
    if (inside(QFileInfo(folder).canonicalFilePath(), absolute)) {
        placed.ok = true;
        placed.source = QDir(QFileInfo(folder).canonicalFilePath()).relativeFilePath(absolute);
        return placed;
    }
    // Copy beside the page, under the picture's own name when that is free
    // or already holds the same picture.
    const QByteArray digest = digestOf(absolute);
    QString name = picture.fileName();
    for (int n = 1;; ++n) {
        const QString target = QDir(folder).filePath(name);
        if (!QFileInfo::exists(target)) {
            if (!QFile::copy(absolute, target)) {
                placed.error = QStringLiteral("无法把图片复制到网页所在的文件夹“") +
                               QDir::toNativeSeparators(folder) + QStringLiteral("”。");
                return placed;
            }
            break;
        }
        if (digestOf(target) == digest) {
            break;
        }
        name = picture.completeBaseName() + u'-' + QString::number(n) +
               (picture.suffix().isEmpty() ? QString() : u'.' + picture.suffix());
    }
    placed.ok = true;
    placed.source = name;
    return placed;
}

QJsonArray pictureAttributes(const QString& pagePath, const QString& source)
{
    QJsonArray attrs{QJsonArray{QStringLiteral("border"), QStringLiteral("0")},
                     QJsonArray{QStringLiteral("src"), source}};
    const QSize size =
        QImageReader(QDir(QFileInfo(pagePath).absolutePath()).filePath(source)).size();
    if (size.isValid()) {
        attrs.append(QJsonArray{QStringLiteral("width"), QString::number(size.width())});
        attrs.append(QJsonArray{QStringLiteral("height"), QString::number(size.height())});
    }
    return attrs;
}

QString linkTarget(const QString& pagePath, const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        return text;
    }
    QString local;
    if (text.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        local = QUrl(text).toLocalFile();
    } else if (QDir::isAbsolutePath(text)) {
        local = text;
    }
    if (!local.isEmpty()) {
        return QDir(QFileInfo(pagePath).absolutePath()).relativeFilePath(local);
    }
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (scheme.match(text).hasMatch()) {
        return text;
    }
    static const QRegularExpression mail(QStringLiteral(R"(^[^@\s/]+@[^@\s/]+\.[^@\s/]+$)"));
    if (mail.match(text).hasMatch()) {
        return QStringLiteral("mailto:") + text;
    }
    if (text.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) {
        return QStringLiteral("http://") + text;
    }
    return text;
}

QStringList workingPages(const QString& workingRoot)
{
    QStringList pages;
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        const QString folder = QDir(workingRoot).filePath(marking::setFolderName(set));
        const QString page = marking::findPage(folder, marking::pageFileName(set));
        if (QFileInfo(page).isFile()) {
            pages << page;
        }
    }
    return pages;
}

} // namespace velmora::editor
