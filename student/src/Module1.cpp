// SPDX-License-Identifier: MIT
#include "Module1.h"

#include "Platform.h"

namespace velmora::student {

Module1 Module1::forThisComputer()
{
    Module1 m;
    m.programFolder = platform::programFolder();
    m.driveRoot = platform::driveRoot();
    m.systemSettingsFolder = platform::systemSettingsFolder();
    m.programFolderTakesSettings = !platform::isInstalledProgramFolder(m.programFolder);
    return m;
}

void Module1::fillSetNames()
{
    static const char16_t* const names[] = {u"第一套", u"第二套", u"第三套",   u"第四套",
                                            u"第五套", u"第六套", u"第七套",   u"第八套",
                                            u"第九套", u"第十套", u"第十一套", u"第十二套"};
    int i = 1;
    for (const char16_t* name : names) {
        setFolderNames[static_cast<size_t>(i++)] = QString::fromUtf16(name);
    }
    workingRootWord = QStringLiteral("WebDo");
}

QString Module1::setFolderName(int i) const
{
    Q_ASSERT_X(i >= 0 && i < kSetNameCount, "Module1::setFolderName", "set index out of range");
    if (i < 0 || i >= kSetNameCount) {
        return {};
    }
    return setFolderNames[static_cast<size_t>(i)];
}

} // namespace velmora::student
