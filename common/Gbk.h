// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// GBK is the code page of every file and datagram the programs exchange.
// Decoding turns a byte that cannot start or complete a character (and a half
// character at the end) into one replacement character; encoding writes '?'
// for every character without a GBK form. One implementation file per
// platform: ICU through Qt, or code page 936 on Windows.
QString fromGbk(QByteArrayView bytes);
QByteArray toGbk(QStringView text);

// True when every character of text has a GBK form (no '?' substitutes).
bool fitsGbk(QStringView text);

// Empty when GBK conversion works in this build; otherwise the message a
// program shows before it quits, rather than run with every name empty.
QString gbkSelfCheck();

// Page text as the marking run reads it: UTF-8 when the bytes start with a
// UTF-8 byte-order mark or declare charset=utf-8 in their first 1024 bytes,
// GBK otherwise.
QString decodePage(QByteArrayView bytes);

} // namespace velmora
