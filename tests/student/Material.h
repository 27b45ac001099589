// SPDX-License-Identifier: MIT
#pragma once

// Small exercise material and helpers for the student tests: real files in a
// temporary folder, written as the programs would see them.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

namespace velmora::testing {

inline bool putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return f.write(bytes) == bytes.size();
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// wf/<k>.txt and wf/<N>/<N>/{page, images/logo.gif} plus an extra file beside N.
inline void makeSet(const QString& programFolder, int k, const QString& setName,
                    const QString& pageName, const QByteArray& task)
{
    const QDir wf(QDir(programFolder).filePath(QStringLiteral("wf")));
    putFile(wf.filePath(QStringLiteral("%1.txt").arg(k)), task);
    const QString inner = wf.filePath(setName + u'/' + setName);
    putFile(inner + u'/' + pageName, QByteArray("<html><body>template</body></html>"));
    putFile(inner + QStringLiteral("/images/logo.gif"), QByteArray("GIF89a"));
    putFile(wf.filePath(setName + QStringLiteral("/readme.txt")), QByteArray("extra"));
}

// Every file under folder, as relative path -> bytes, for comparing trees.
inline QMap<QString, QByteArray> treeOf(const QString& folder)
{
    QMap<QString, QByteArray> tree;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(root.relativeFilePath(path), fileBytes(path));
    }
    return tree;
}

} // namespace velmora::testing
