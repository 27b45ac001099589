// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace velmora {

// The protocol's constants, for both programs and every peer of theirs.
// Scores go from the student port to the collector port over UDP; collected
// work goes to the collector port's number over TCP.
inline constexpr quint16 kStudentPort = 1201;
inline constexpr quint16 kCollectorPort = 1202;
// What the collector puts before the payload it acknowledges. A genuine score
// datagram cannot begin with it, since its first field is an IPv4 address.
inline constexpr QByteArrayView kAckPrefix("ACK#");

// One score as it travels from the student program to the collector:
// GBK text "address#computer#score#name#set#token". Readers use the first five
// fields; the token only lets the sender recognise the acknowledgement of its
// own upload, and collectors that know five fields ignore it.
struct ScoreDatagram
{
    QString address;    // sender's own IPv4 address, dotted decimal
    QString computer;   // sender's host name
    QString score;      // "0" to "25"
    QString name;       // the student's name
    QString set;        // set folder name, "第一套" ...
    QString token = {}; // random, per upload; empty: not sent

    QString text() const;
    QByteArray encode() const;

    // Splits at every '#'. Fewer than five fields gives nullopt; a sixth field
    // is the token, fields after it are ignored. Invalid GBK bytes decode to
    // replacement characters.
    static std::optional<ScoreDatagram> decode(QByteArrayView payload);

    // 16 hexadecimal digits from the system's random source: 64 bits that a
    // forger who sees no traffic cannot guess.
    static QString newToken();

    friend bool operator==(const ScoreDatagram&, const ScoreDatagram&) = default;
};

// Whether text is an IPv4 address written the one canonical way: four
// decimal numbers 0 to 255 joined by dots, without blanks, signs or leading
// zeros ("10.9.1.21", never "10.9.1.21 " or "010.9.1.21").
bool isCanonicalIPv4(QStringView text);

// The collector confirms every datagram it records by sending back kAckPrefix
// followed by the payload bytes unchanged.
QByteArray ackFor(QByteArrayView payload);
bool isAckFor(QByteArrayView reply, QByteArrayView payload);

} // namespace velmora
