// SPDX-License-Identifier: MIT
#pragma once

#include <QSyntaxHighlighter>

namespace velmora::editor {

// The code view's colours: tags, attribute names, attribute values, comments.
class SourceHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override;
};

} // namespace velmora::editor
