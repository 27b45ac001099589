// SPDX-License-Identifier: MIT
#include "EditorScript.h"

#include <QFile>
#include <QJsonDocument>

// The script is a resource of this static library, so it is registered by hand.
static void initEngineResource()
{
    Q_INIT_RESOURCE(engine);
}

namespace velmora::editor {

QString engineSource()
{
    static const bool registered = (initEngineResource(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/velmora-editor/editor.js"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString engineCall(QStringView name, const QJsonArray& args)
{
    // A JSON array is a JavaScript array literal; its brackets become the
    // call's parentheses.
    QString list = QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
    list = list.mid(1, list.size() - 2);
    return QStringLiteral("velmora.") + name + u'(' + list + u')';
}

} // namespace velmora::editor
