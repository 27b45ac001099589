// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace velmora {

inline constexpr quint16 kStudentPort = 1201;
inline constexpr quint16 kCollectorPort = 1202;

// One score as it travels from the student program to the collector:
// GBK text "address#computer#score#name#set", nothing else in the datagram.
struct ScoreDatagram
{
    QString address;  // sender's own IPv4 address, dotted decimal
    QString computer; // sender's host name
    QString score;    // "0" to "25"
    QString name;     // the student's name
    QString set;      // set folder name, "第一套" ...

    QString text() const;
    QByteArray encode() const;

    // Splits at every '#'. Fewer than five fields gives nullopt; fields after
    // the fifth are ignored. Invalid GBK bytes decode to replacement characters.
    static std::optional<ScoreDatagram> decode(QByteArrayView payload);

    friend bool operator==(const ScoreDatagram&, const ScoreDatagram&) = default;
};

// The collector confirms every datagram it records by sending back "ACK#"
// followed by the payload bytes unchanged.
QByteArray ackFor(QByteArrayView payload);
bool isAckFor(QByteArrayView reply, QByteArrayView payload);

} // namespace velmora
