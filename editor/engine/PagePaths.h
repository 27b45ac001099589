// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace velmora::editor {

struct PlacedPicture
{
    bool ok = false;
    QString source; // the relative src to write
    QString error;  // in Chinese, when !ok
};

// A picture for the page: one in the page's folder (or below it) is named
// relative to the page; one from elsewhere is copied into the page's folder
// first (under a free name when a different file already has its name).
PlacedPicture placePicture(const QString& pagePath, const QString& picturePath);

// The attributes of a new picture, in the order the marking's pages use:
// border="0", the relative src, and its natural width and height, as
// [name, value] pairs.
QJsonArray pictureAttributes(const QString& pagePath, const QString& source);

// A link target as typed or chosen: a local file or file: URL becomes a path
// relative to the page, an e-mail address a mailto: link, a bare host name an
// http:// address; anything else stays as typed.
QString linkTarget(const QString& pagePath, const QString& typed);

// The working pages of the nine sets (<root>/第N套/<page>) that exist.
QStringList workingPages(const QString& workingRoot);

} // namespace velmora::editor
