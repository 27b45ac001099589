// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace velmora {

// The stored properties of a control: named values kept in the order they
// were written. A value equal to its default is not stored, so a reader gets
// the default back for it. Pictures (QPixmap/QImage) and fonts are supported
// besides the plain types.
class PropertyBag
{
public:
    PropertyBag() = default;
    PropertyBag(const PropertyBag&) = default;
    PropertyBag(PropertyBag&&) = default;
    PropertyBag& operator=(const PropertyBag&) = default;
    PropertyBag& operator=(PropertyBag&&) = default;
    virtual ~PropertyBag() = default;

    // Stores value under name unless it equals defaultValue. Writing a name
    // again replaces the value in place (the order of first writing stays).
    void writeProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);
    // The stored value, or defaultValue when the name was not stored.
    // Virtual so that a bag can watch what a control reads, and in which order.
    virtual QVariant readProperty(const QString& name, const QVariant& defaultValue) const;

    bool contains(const QString& name) const;
    QStringList names() const; // in stored order

    // A byte form for keeping a bag in a file; fromBytes rejects anything
    // malformed or truncated with nullopt.
    QByteArray toBytes() const;
    static std::optional<PropertyBag> fromBytes(const QByteArray& bytes);

    // True when the two values are the same for storing purposes.
    static bool sameValue(const QVariant& a, const QVariant& b);

private:
    QList<QPair<QString, QVariant>> m_values;
};

} // namespace velmora
