// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyBag.h"

#include <QStringList>

namespace velmora {

// A property bag that records the name of every property read from it, in
// order, so that a test can check the order in which a control reads its
// stored properties.
class RecordingPropertyBag : public PropertyBag
{
public:
    explicit RecordingPropertyBag(const PropertyBag& stored) : PropertyBag(stored) {}

    QVariant readProperty(const QString& name, const QVariant& defaultValue) const override;

    const QStringList& reads() const { return m_reads; }

private:
    mutable QStringList m_reads;
};

} // namespace velmora
