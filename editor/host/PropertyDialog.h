// SPDX-License-Identifier: MIT
#pragma once

#include "PropertySheets.h"

#include <QDialog>
#include <QHash>
#include <QJsonObject>

namespace velmora::editor {

// One dialog for every property sheet: a labelled field per attribute. On
// OK the values are checked (colours #RRGGBB, numbers) and pictures chosen
// outside the page's folder are copied beside the page.
class PropertyDialog : public QDialog
{
    Q_OBJECT
public:
    PropertyDialog(const Sheet& sheet, const QJsonObject& current, QString pagePath,
                   QWidget* parent = nullptr);

    // The values in sheet order as [name, value] pairs (check boxes of the
    // font sheet as true/false, others as the attribute or empty).
    QJsonArray pairs() const;
    QJsonObject values() const;

    void accept() override;

private:
    QString text(const Field& field) const;

    const Sheet& m_sheet;
    QString m_pagePath;
    QHash<QString, QWidget*> m_fields;
    QHash<QString, QString> m_checked; // the values accepted
};

} // namespace velmora::editor
