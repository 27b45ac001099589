// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

namespace velmora::fuzz {

// Drives the collector's submission reader (WorkReader) with raw connection
// bytes: once whole, once cut into pieces whose sizes the input's own hash
// chooses. Checks that both give the same verdict; that a complete
// submission keeps every limit (64 files, 8 MiB, safe names, none equal but
// for case), that every file has its size and SHA-256, and that encoding what
// was read gives back exactly the input; that a refused one keeps nothing;
// and that the reply for the verdict decodes to it.
//
// feed() returns an empty text when every expectation held, otherwise a plain
// English description of what went wrong.
class WorkHarness
{
public:
    QString feed(QByteArrayView bytes);
    int inputs() const { return m_inputs; }

private:
    int m_inputs = 0;
};

} // namespace velmora::fuzz
