// SPDX-License-Identifier: MIT
#include "PropertyBag.h"

#include <QDataStream>
#include <QFont>
#include <QIODevice>
#include <QImage>
#include <QPixmap>

namespace velmora {

namespace {

constexpr quint32 kMagic = 0x56504231; // "VPB1"
constexpr quint32 kMaxEntries = 4096;

QImage asImage(const QVariant& v)
{
    if (v.typeId() == QMetaType::QPixmap) {
        return v.value<QPixmap>().toImage();
    }
    return v.value<QImage>();
}

bool isPicture(const QVariant& v)
{
    return v.typeId() == QMetaType::QPixmap || v.typeId() == QMetaType::QImage;
}

} // namespace

bool PropertyBag::sameValue(const QVariant& a, const QVariant& b)
{
    if (isPicture(a) || isPicture(b)) {
        const QImage ia = asImage(a);
        const QImage ib = asImage(b);
        if (ia.isNull() || ib.isNull()) {
            return ia.isNull() == ib.isNull();
        }
        return ia.convertToFormat(QImage::Format_ARGB32) ==
               ib.convertToFormat(QImage::Format_ARGB32);
    }
    if (a.typeId() == QMetaType::QFont && b.typeId() == QMetaType::QFont) {
        return a.value<QFont>() == b.value<QFont>();
    }
    return a == b;
}

void PropertyBag::writeProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        if (m_values.at(i).first == name) {
            if (sameValue(value, defaultValue)) {
                m_values.removeAt(i);
            } else {
                m_values[i].second = value;
            }
            return;
        }
    }
    if (!sameValue(value, defaultValue)) {
        m_values.append({name, value});
    }
}

QVariant PropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const
{
    for (const auto& entry : m_values) {
        if (entry.first == name) {
            return entry.second;
        }
    }
    return defaultValue;
}

bool PropertyBag::contains(const QString& name) const
{
    for (const auto& entry : m_values) {
        if (entry.first == name) {
            return true;
        }
    }
    return false;
}

QStringList PropertyBag::names() const
{
    QStringList out;
    for (const auto& entry : m_values) {
        out.append(entry.first);
    }
    return out;
}

QByteArray PropertyBag::toBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << static_cast<quint32>(m_values.size());
    for (const auto& entry : m_values) {
        out << entry.first << entry.second;
    }
    return bytes;
}

std::optional<PropertyBag> PropertyBag::fromBytes(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint32 count = 0;
    in >> magic >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || count > kMaxEntries) {
        return std::nullopt;
    }
    PropertyBag bag;
    for (quint32 i = 0; i < count; ++i) {
        QString name;
        QVariant value;
        in >> name >> value;
        if (in.status() != QDataStream::Ok || name.isEmpty() || !value.isValid() ||
            bag.contains(name)) {
            return std::nullopt;
        }
        bag.m_values.append({name, value});
    }
    if (!in.atEnd()) {
        return std::nullopt; // trailing bytes: not a bag we wrote
    }
    return bag;
}

} // namespace velmora
