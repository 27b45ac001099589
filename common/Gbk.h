// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// GBK is the code page of every file and datagram the programs exchange.
// A fresh converter is made for every call: after an error a Qt converter
// keeps reporting it even when reset.
QString fromGbk(QByteArrayView bytes);
QByteArray toGbk(QStringView text);

// True when every character of text has a GBK form (no '?' substitutes).
bool fitsGbk(QStringView text);

// Page text as the marking run reads it: UTF-8 when the bytes start with a
// UTF-8 byte-order mark or declare charset=utf-8 in their first 1024 bytes,
// GBK otherwise.
QString decodePage(QByteArrayView bytes);

} // namespace velmora
