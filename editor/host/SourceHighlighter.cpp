// SPDX-License-Identifier: MIT
#include "SourceHighlighter.h"

#include <QRegularExpression>

namespace velmora::editor {

void SourceHighlighter::highlightBlock(const QString& text)
{
    static const QRegularExpression tag(QStringLiteral(R"(</?[A-Za-z][A-Za-z0-9]*|/?>)"));
    static const QRegularExpression attribute(QStringLiteral(R"(\s([A-Za-z-]+)=)"));
    static const QRegularExpression value(QStringLiteral(R"("[^"]*")"));
    QTextCharFormat tagFormat;
    tagFormat.setForeground(QColor(0x80, 0x00, 0x00));
    QTextCharFormat nameFormat;
    nameFormat.setForeground(QColor(0xFF, 0x00, 0x00));
    QTextCharFormat valueFormat;
    valueFormat.setForeground(QColor(0x00, 0x00, 0xFF));
    QTextCharFormat commentFormat;
    commentFormat.setForeground(QColor(0x80, 0x80, 0x80));

    // Only inside tags: between '<' and '>'.
    qsizetype at = 0;
    bool inTag = previousBlockState() == 1;
    qsizetype start = 0;
    while (at <= text.size()) {
        if (!inTag) {
            at = text.indexOf(u'<', at);
            if (at < 0) {
                break;
            }
            start = at;
            inTag = true;
        }
        qsizetype end = text.indexOf(u'>', at);
        const qsizetype stop = end < 0 ? text.size() : end + 1;
        const QString inside = text.mid(start, stop - start);
        if (inside.startsWith(QStringLiteral("<!--"))) {
            setFormat(start, stop - start, commentFormat);
        } else {
            for (auto it = tag.globalMatch(inside); it.hasNext();) {
                const auto m = it.next();
                setFormat(start + m.capturedStart(), m.capturedLength(), tagFormat);
            }
            for (auto it = attribute.globalMatch(inside); it.hasNext();) {
                const auto m = it.next();
                setFormat(start + m.capturedStart(1), m.capturedLength(1), nameFormat);
            }
            for (auto it = value.globalMatch(inside); it.hasNext();) {
                const auto m = it.next();
                setFormat(start + m.capturedStart(), m.capturedLength(), valueFormat);
            }
        }
        if (end < 0) {
            break;
        }
        inTag = false;
        at = end + 1;
        start = at;
    }
    setCurrentBlockState(inTag ? 1 : 0);
}

} // namespace velmora::editor
