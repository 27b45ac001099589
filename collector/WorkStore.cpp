// SPDX-License-Identifier: MIT
#include "WorkStore.h"

#include "ExerciseSets.h"
#include "Platform.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>

namespace velmora::collector {

namespace {

constexpr qsizetype kMaxComponentChars = 64;
const QString kNewSuffix = QStringLiteral(".velcoll-new");
const QString kOldSuffix = QStringLiteral(".velcoll-old");

QString randomTag()
{
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

QString shown(const QString& path)
{
    return platform::displayPath(path);
}

// A fresh hidden folder beside the submission's place: ".<base>.<tag><suffix>",
// where base is the key's prefix ("<address>_") for new work and the folder's
// own name for old work moved aside, so that a start after a crash between
// the renames can put it back.
QString makeHidden(const QString& setFolder, const QString& base, const QString& suffix,
                   bool create)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString path = QDir(setFolder).filePath(u'.' + base + u'.' + randomTag() + suffix);
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            continue;
        }
        if (!create || QDir().mkdir(path)) {
            return path;
        }
    }
    return {};
}

} // namespace

WorkStore::Staging::~Staging()
{
    if (!m_folder.isEmpty()) {
        abandon();
    }
}

bool WorkStore::Staging::fail(const QString& what, const QString& why, work::Refusal refusal)
{
    m_error = why.isEmpty() ? what : what + QStringLiteral("：") + why;
    m_refusal = refusal;
    return false;
}

bool WorkStore::Staging::begin(const work::WorkHeader& header)
{
    m_header = header;
    const QString& set = header.set;
    if (!sets::isKnown(set)) {
        return fail(QStringLiteral("套题名称不是九套之一"), {}, work::Refusal::UnknownSet);
    }
    m_setFolder = m_store.setFolder(set);
    m_target = m_store.folderFor(header.address, header.name, set);
    QString error;
    if (!m_store.ensureInside(m_setFolder, error)) {
        return fail(error, {});
    }
    const QString prefix = WorkStore::safeComponent(header.address) + u'_';
    m_folder = makeHidden(m_setFolder, prefix, kNewSuffix, true);
    if (m_folder.isEmpty()) {
        return fail(QStringLiteral("无法在“%1”中建立文件夹").arg(shown(m_setFolder)), {});
    }
    m_ready = true;
    return true;
}

bool WorkStore::Staging::open(int, const work::WorkFile& file)
{
    // The reader checked the name; checked again here, since this is where
    // it becomes a path.
    if (!m_ready || !work::nameProblem(file.name).isEmpty()) {
        return fail(QStringLiteral("文件名不安全"), {});
    }
    m_file.setFileName(QDir(m_folder).filePath(file.name));
    // Unbuffered: the reader hands over pieces of 64 KiB, and a second copy
    // in a buffer would only cost memory.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        return fail(QStringLiteral("无法建立文件“%1”").arg(shown(m_file.fileName())),
                    m_file.errorString());
    }
    return true;
}

bool WorkStore::Staging::write(QByteArrayView bytes)
{
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size()) {
        return fail(QStringLiteral("写入“%1”失败").arg(shown(m_file.fileName())),
                    m_file.errorString());
    }
    return true;
}

bool WorkStore::Staging::close()
{
    // A full disk may only show when the bytes leave the buffer.
    if (!m_file.flush() || !platform::syncToDisk(m_file.handle())) {
        const QString why = m_file.errorString();
        m_file.close();
        return fail(QStringLiteral("把“%1”写到磁盘上失败").arg(shown(m_file.fileName())), why);
    }
    m_file.close();
    return true;
}

void WorkStore::Staging::abandon()
{
    if (m_file.isOpen()) {
        m_file.close();
    }
    if (!m_folder.isEmpty()) {
        QDir(m_folder).removeRecursively();
        m_folder.clear();
    }
    m_ready = false;
}

WorkStore::WorkStore(QString root) : m_root(QDir::cleanPath(std::move(root))) {}

QString WorkStore::defaultRoot()
{
    return QDir(platform::collectorDocumentsFolder()).filePath(QStringLiteral("作业"));
}

QDate WorkStore::date() const
{
    return m_date.isValid() ? m_date : QDate::currentDate();
}

QString WorkStore::safeComponent(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool forbidden = u < 0x20 || (u >= 0x7F && u < 0xA0) ||
                               c.category() == QChar::Other_Format ||
                               QStringView(u"/\\:<>\"|?*").contains(c);
        out.append(forbidden ? QChar(u'_') : c);
    }
    // Windows drops dots and spaces at the end; a dot at the start would hide
    // the folder (and "." and ".." are not names).
    while (!out.isEmpty() && (out.endsWith(u'.') || out.endsWith(u' '))) {
        out.chop(1);
    }
    while (!out.isEmpty() && (out.startsWith(u'.') || out.startsWith(u' '))) {
        out.remove(0, 1);
    }
    if (out.size() > kMaxComponentChars) {
        out.truncate(kMaxComponentChars);
        if (out.back().isHighSurrogate()) {
            out.chop(1);
        }
    }
    if (out.isEmpty()) {
        return QStringLiteral("_");
    }
    if (!work::nameProblem(out).isEmpty()) {
        // What is left can only be a device name (CON, COM1 ...) or hold "..".
        out.replace(QStringLiteral(".."), QStringLiteral("_"));
        if (!work::nameProblem(out).isEmpty()) {
            out.prepend(u'_');
        }
    }
    return out;
}

QString WorkStore::setFolder(const QString& set) const
{
    return QDir(m_root).filePath(date().toString(QStringLiteral("yyyy-MM-dd")) + u'/' +
                                 safeComponent(set));
}

QString WorkStore::folderFor(const QString& address, const QString& name, const QString& set) const
{
    return QDir(setFolder(set)).filePath(safeComponent(address) + u'_' + safeComponent(name));
}

bool WorkStore::isInside(const QString& path) const
{
    const QString clean = QDir::cleanPath(path);
    return clean.startsWith(m_root + u'/') && !clean.contains(QStringLiteral("/../"));
}

bool WorkStore::ensureInside(const QString& folder, QString& error) const
{
    if (!isInside(folder)) {
        error = QStringLiteral("“%1”不在作业文件夹中").arg(shown(folder));
        return false;
    }
    if (!QDir().mkpath(m_root) || !QFileInfo(m_root).isDir()) {
        error = QStringLiteral("无法建立作业文件夹“%1”").arg(shown(m_root));
        return false;
    }
    // Each folder below the root in turn: made when missing, and refused when
    // something else (a link above all) holds its name.
    const QStringList parts =
        QDir::cleanPath(folder).sliced(m_root.size() + 1).split(u'/', Qt::SkipEmptyParts);
    QString path = m_root;
    for (const QString& part : parts) {
        path += u'/' + part;
        QFileInfo info(path);
        if (info.isSymLink()) {
            error = QStringLiteral("“%1”是一个链接，不是文件夹").arg(shown(path));
            return false;
        }
        if (!info.exists() && !QDir().mkdir(path)) {
            error = QStringLiteral("无法建立文件夹“%1”").arg(shown(path));
            return false;
        }
        info.refresh();
        if (!info.isDir() || info.isSymLink()) {
            error = QStringLiteral("“%1”不是文件夹").arg(shown(path));
            return false;
        }
    }
    return true;
}

std::unique_ptr<WorkStore::Staging> WorkStore::stage() const
{
    return std::unique_ptr<Staging>(new Staging(*this));
}

WorkStore::Stored WorkStore::commit(Staging& staging) const
{
    if (!staging.m_ready || staging.m_folder.isEmpty()) {
        return {false,
                {},
                staging.m_error.isEmpty() ? QStringLiteral("没有可保存的作业") : staging.m_error};
    }
    const QString setFolder = staging.m_setFolder;
    const QString target = staging.m_target;
    auto failed = [&](const QString& error) {
        staging.abandon();
        return Stored{false, {}, error};
    };
    if (!isInside(target) || !platform::syncFolder(staging.m_folder)) {
        return failed(QStringLiteral("无法把作业写到磁盘上：“%1”").arg(shown(staging.m_folder)));
    }

    // Every earlier folder of the key: the student may have changed his name
    // since, so all of "<address>_*" go, not only the one of this name.
    const QString prefix = safeComponent(staging.m_header.address) + u'_';
    QStringList earlier;
    for (const QFileInfo& e : QDir(setFolder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot |
                                                            QDir::NoSymLinks | QDir::System)) {
        if (e.fileName().startsWith(prefix)) {
            earlier.append(e.absoluteFilePath());
        }
    }
    // A link or file that holds the target's name is not ours to keep.
    if (QFileInfo(target).isSymLink() ||
        (QFileInfo::exists(target) && !QFileInfo(target).isDir())) {
        if (!QFile::remove(target)) {
            return failed(QStringLiteral("无法替换“%1”").arg(shown(target)));
        }
    }

    // 1. The old work aside, 2. the new in its place, 3. the old removed.
    QList<std::pair<QString, QString>> aside; // original, hidden
    auto restore = [&] {
        for (const auto& [original, hidden] : aside) {
            QDir().rename(hidden, original);
        }
    };
    for (const QString& old : earlier) {
        const QString hidden = makeHidden(setFolder, QFileInfo(old).fileName(), kOldSuffix, false);
        if (hidden.isEmpty() || !QDir().rename(old, hidden)) {
            restore();
            return failed(QStringLiteral("无法移开旧的作业“%1”").arg(shown(old)));
        }
        aside.append({old, hidden});
    }
    if (!QDir().rename(staging.m_folder, target)) {
        restore();
        return failed(QStringLiteral("无法把作业放到“%1”").arg(shown(target)));
    }
    staging.m_folder.clear();
    staging.m_ready = false;
    platform::syncFolder(setFolder);
    for (const auto& entry : aside) {
        // A leftover here is hidden and removed at the next start.
        QDir(entry.second).removeRecursively();
    }
    return {true, target, {}};
}

WorkStore::Stored WorkStore::store(const work::WorkHeader& header,
                                   const QList<QByteArray>& contents) const
{
    const std::unique_ptr<Staging> staging = stage();
    if (contents.size() != header.files.size()) {
        return {false, {}, QStringLiteral("文件数与清单不符")};
    }
    if (!staging->begin(header)) {
        return {false, {}, staging->error()};
    }
    for (qsizetype i = 0; i < contents.size(); ++i) {
        if (!staging->open(int(i), header.files.at(i)) || !staging->write(contents.at(i)) ||
            !staging->close()) {
            const QString error = staging->error();
            staging->abandon();
            return {false, {}, error};
        }
    }
    return commit(*staging);
}

void WorkStore::removeLeftovers() const
{
    // <root>/<date>/<set>/.<...>.velcoll-new and .velcoll-old
    const auto subfolders = [](const QString& folder, QDir::Filters extra = {}) {
        return QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks |
                                          extra);
    };
    for (const QFileInfo& day : subfolders(m_root)) {
        for (const QFileInfo& set : subfolders(day.absoluteFilePath())) {
            const QString setPath = set.absoluteFilePath();
            for (const QFileInfo& h : subfolders(setPath, QDir::Hidden)) {
                const QString n = h.fileName();
                if (!n.startsWith(u'.')) {
                    continue;
                }
                if (n.endsWith(kOldSuffix)) {
                    // Old work moved aside when a crash came before the new
                    // was in place: it goes back unless its key has a folder.
                    const QString base = n.sliced(1, n.size() - 1 - kOldSuffix.size());
                    const QString original = base.left(base.lastIndexOf(u'.'));
                    const QString key = original.left(original.indexOf(u'_') + 1);
                    bool taken = false;
                    for (const QFileInfo& e : subfolders(setPath)) {
                        taken = taken || (!key.isEmpty() && e.fileName().startsWith(key));
                    }
                    if (!original.isEmpty() && !taken &&
                        QDir().rename(h.absoluteFilePath(), QDir(setPath).filePath(original))) {
                        continue;
                    }
                    QDir(h.absoluteFilePath()).removeRecursively();
                } else if (n.endsWith(kNewSuffix)) {
                    QDir(h.absoluteFilePath()).removeRecursively();
                }
            }
        }
    }
}

} // namespace velmora::collector
