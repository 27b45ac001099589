// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace velmora::editor {

// The property dialogs as data: which attributes each edits, with which
// labels (each with its Alt mnemonic) and which kind of field. The window
// builds one generic dialog from a sheet; the engine applies the values.
enum class FieldKind
{
    Text,
    Number,  // a whole number, or a percentage where the attribute allows it
    Colour,  // #RRGGBB typed, or one of the 16 basic colours
    Face,    // a font face from the list, or typed
    Choice,  // one of the values given
    Picture, // a picture file, placed beside the page
    Link,    // a link target (address, page, e-mail)
    Check,   // on or off
};

struct Choice
{
    QString value; // as written in the markup; empty for "not set"
    QString label;
};

struct Field
{
    QString name;  // the attribute (or pseudo-attribute: title, text, bold ...)
    QString label; // with &mnemonic
    FieldKind kind = FieldKind::Text;
    QList<Choice> choices = {};
};

enum class SheetKind
{
    Page,
    Font,
    Paragraph,
    Picture,
    Link,
    Rule, // horizontal rule
    NewTable,
    Table,
    Cell,
    Marquee,
};

struct Sheet
{
    SheetKind kind;
    QString title;  // the dialog's caption
    QString target; // the engine's element kind ("page", "table", ...)
    QList<Field> fields;
};

const Sheet& sheet(SheetKind kind);

// The 16 basic colours, as #RRGGBB with their Chinese names.
const QList<Choice>& basicColours();

// The font faces offered (a typed name is accepted too).
const QStringList& fontFaces();

// "#rrggbb", "rrggbb" or a basic colour's Chinese name -> "#RRGGBB";
// empty text stays empty; anything else -> null QString (invalid).
QString normalizeColour(const QString& typed);

// Whether a number field's text is acceptable: empty, digits, or digits and
// '%' where the field allows a percentage.
bool validNumber(const Field& field, const QString& text);

} // namespace velmora::editor
