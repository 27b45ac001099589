// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonArray>
#include <QString>

namespace velmora::editor {

// The editing engine's JavaScript (editor.js) and the calls into it. Whatever
// hosts the page (Qt WebEngine here, WebView2 elsewhere) runs the source once
// per loaded document in a script world apart from the page's own, then runs
// the calls; each call is one expression whose value is plain JSON.
QString engineSource();

// "velmora.name(arg, ...)" with every argument written as JSON.
QString engineCall(QStringView name, const QJsonArray& args = {});

} // namespace velmora::editor
