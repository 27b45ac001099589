// SPDX-License-Identifier: MIT
#include "PropertyBag.h"

namespace velmora {

void PropertyBag::writeProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    if (!sameValue(value, defaultValue)) {
        m_values.append({name, value});
    }
}
QVariant PropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const
{
    m_readLog.append(name);
    for (const auto& [n, v] : m_values) {
        if (n == name) {
            return v;
        }
    }
    return defaultValue;
}
bool PropertyBag::contains(const QString& name) const
{
    return names().contains(name);
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
    return {};
}
std::optional<PropertyBag> PropertyBag::fromBytes(const QByteArray&)
{
    return std::nullopt;
}
bool PropertyBag::sameValue(const QVariant& a, const QVariant& b)
{
    return a == b;
}

} // namespace velmora
