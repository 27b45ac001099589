// SPDX-License-Identifier: MIT
#include "RecordingPropertyBag.h"

namespace velmora {

QVariant RecordingPropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const
{
    m_reads.append(name);
    return PropertyBag::readProperty(name, defaultValue);
}

} // namespace velmora
