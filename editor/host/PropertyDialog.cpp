// SPDX-License-Identifier: MIT
#include "PropertyDialog.h"

#include "Ask.h"

#include "PagePaths.h"

#include "Prompter.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace velmora::editor {

namespace {

QIcon swatch(const QString& colour)
{
    QPixmap p(16, 16);
    p.fill(QColor(colour));
    return QIcon(p);
}

} // namespace

PropertyDialog::PropertyDialog(const Sheet& sheet, const QJsonObject& current, QString pagePath,
                               QWidget* parent)
    : QDialog(parent), m_sheet(sheet), m_pagePath(std::move(pagePath))
{
    setWindowTitle(sheet.title);
    auto* form = new QFormLayout;
    for (const Field& field : sheet.fields) {
        const QJsonValue value = current.value(field.name);
        QWidget* editor = nullptr;
        QWidget* row = nullptr;
        switch (field.kind) {
        case FieldKind::Check: {
            auto* box = new QCheckBox(field.label);
            box->setChecked(value.isBool() ? value.toBool() : current.contains(field.name));
            editor = row = box;
            break;
        }
        case FieldKind::Colour:
        case FieldKind::Face: {
            auto* combo = new QComboBox;
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            if (field.kind == FieldKind::Colour) {
                combo->addItem(QString());
                for (const Choice& c : basicColours()) {
                    combo->addItem(swatch(c.value), c.value);
                    combo->setItemData(combo->count() - 1, c.label, Qt::ToolTipRole);
                }
            } else {
                combo->addItem(QString());
                combo->addItems(fontFaces());
            }
            combo->setCurrentText(value.toString());
            editor = row = combo;
            break;
        }
        case FieldKind::Choice: {
            auto* combo = new QComboBox;
            for (const Choice& c : field.choices) {
                combo->addItem(c.label, c.value);
            }
            const int at = combo->findData(value.toString().toLower());
            combo->setCurrentIndex(std::max(at, 0));
            editor = row = combo;
            break;
        }
        case FieldKind::Picture:
        case FieldKind::Link: {
            auto* line = new QLineEdit(value.toString());
            auto* browse = new QPushButton(QStringLiteral("浏览(&R)…"));
            auto* box = new QWidget;
            auto* h = new QHBoxLayout(box);
            h->setContentsMargins(0, 0, 0, 0);
            h->addWidget(line, 1);
            h->addWidget(browse);
            const bool picture = field.kind == FieldKind::Picture;
            connect(browse, &QPushButton::clicked, this, [this, line, picture] {
                const QString folder = QFileInfo(m_pagePath).absolutePath();
                const QString chosen = QFileDialog::getOpenFileName(
                    this, picture ? QStringLiteral("选择图片") : QStringLiteral("选择网页或文件"),
                    folder,
                    picture ? QStringLiteral("图片 (*.gif *.jpg *.jpeg *.png *.bmp *.GIF *.JPG "
                                             "*.JPEG *.PNG *.BMP)")
                            : QStringLiteral("网页 (*.htm *.html);;所有文件 (*)"));
                if (!chosen.isEmpty()) {
                    line->setText(QDir::toNativeSeparators(chosen));
                }
            });
            editor = line;
            row = box;
            break;
        }
        case FieldKind::Text:
        case FieldKind::Number:
            editor = row = new QLineEdit(value.toString());
            break;
        }
        editor->setObjectName(field.name);
        m_fields.insert(field.name, editor);
        if (field.kind == FieldKind::Check) {
            form->addRow(QString(), row);
        } else {
            auto* label = new QLabel(field.label + QStringLiteral("："));
            label->setBuddy(editor);
            form->addRow(label, row);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
    setMinimumWidth(380);
}

QString PropertyDialog::text(const Field& field) const
{
    QWidget* w = m_fields.value(field.name);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        return line->text().trimmed();
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        return combo->isEditable() ? combo->currentText().trimmed()
                                   : combo->currentData().toString();
    }
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        return box->isChecked() ? field.name : QString();
    }
    return {};
}

void PropertyDialog::accept()
{
    QHash<QString, QString> checked;
    for (const Field& field : m_sheet.fields) {
        QString value = text(field);
        switch (field.kind) {
        case FieldKind::Colour: {
            const QString colour = normalizeColour(value);
            if (colour.isNull()) {
                ask(this, QMessageBox::Warning, m_sheet.title,
                    QStringLiteral("颜色“") + value +
                        QStringLiteral("”不对：请写成 #RRGGBB（例如 #0000FF），或从列表里选。"));
                m_fields.value(field.name)->setFocus();
                return;
            }
            value = colour;
            break;
        }
        case FieldKind::Number:
            if (!validNumber(field, value)) {
                ask(this, QMessageBox::Warning, m_sheet.title,
                    QString(field.label).remove(u'&') + QStringLiteral("要填数字。"));
                m_fields.value(field.name)->setFocus();
                return;
            }
            break;
        case FieldKind::Picture:
            if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
                const PlacedPicture placed = placePicture(m_pagePath, value);
                if (!placed.ok) {
                    ask(this, QMessageBox::Warning, m_sheet.title, placed.error);
                    return;
                }
                value = placed.source;
            }
            break;
        case FieldKind::Link:
            value = linkTarget(m_pagePath, value);
            break;
        default:
            break;
        }
        checked.insert(field.name, value);
    }
    m_checked = checked;
    QDialog::accept();
}

QJsonArray PropertyDialog::pairs() const
{
    QJsonArray out;
    for (const Field& field : m_sheet.fields) {
        out.append(QJsonArray{field.name, m_checked.value(field.name)});
    }
    return out;
}

QJsonObject PropertyDialog::values() const
{
    QJsonObject out;
    for (const Field& field : m_sheet.fields) {
        if (field.kind == FieldKind::Check) {
            out.insert(field.name, !m_checked.value(field.name).isEmpty());
        } else {
            out.insert(field.name, m_checked.value(field.name));
        }
    }
    return out;
}

} // namespace velmora::editor
