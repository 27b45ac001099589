// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace velmora::editor {

// The copy of an open page that the editor saves aside every 30 s, in a
// folder of its own outside the working folder (one file per page, named by
// a hash of the page's path). It is removed when the page is saved or closed
// on purpose, so one that is left over means the editor did not end cleanly.
class Recovery
{
public:
    // folder: where recovery files live (the per-user data folder in the
    // program, a temporary folder in tests).
    Recovery(QString folder, QString pagePath);

    QString filePath() const { return m_file; }

    // Saves the page text aside (UTF-8, atomic); false when it could not.
    bool store(const QString& text) const;

    // The text left over from an earlier run, if any.
    std::optional<QString> leftOver() const;

    void discard() const;

private:
    QString m_folder;
    QString m_page;
    QString m_file;
};

} // namespace velmora::editor
