// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderIndex.h"

#include "move/FolderMatcher.h"
#include "platform/DirectoryCrawl.h"
#include "platform/Log.h"
#include "platform/Serial.h"

#include <QDir>
#include <QFuture>
#include <QSet>
#include <algorithm>
#include <array>

namespace {

const QSet<QString>& excludedDirectoryNames()
{
    static const QSet<QString> names{QStringLiteral("node_modules"), QStringLiteral("DerivedData"),
                                     QStringLiteral("Pods"),         QStringLiteral("Carthage"),
                                     QStringLiteral("dist"),         QStringLiteral("build"),
                                     QStringLiteral(".build"),       QStringLiteral(".venv"),
                                     QStringLiteral(".git"),         QStringLiteral(".next"),
                                     QStringLiteral(".nuxt"),        QStringLiteral(".cache"),
                                     QStringLiteral(".npm"),         QStringLiteral(".yarn"),
                                     QStringLiteral(".gradle"),      QStringLiteral(".idea"),
                                     QStringLiteral(".vscode"),      QStringLiteral("__pycache__")};
    return names;
}

const QSet<QString>& packageExtensions()
{
    static const QSet<QString> extensions{
        QStringLiteral("app"),       QStringLiteral("photoslibrary"), QStringLiteral("rtfd"),
        QStringLiteral("bundle"),    QStringLiteral("framework"),     QStringLiteral("kext"),
        QStringLiteral("xcodeproj"), QStringLiteral("xcworkspace"),   QStringLiteral("playground"),
        QStringLiteral("component"), QStringLiteral("prefpane"),      QStringLiteral("appex"),
        QStringLiteral("plugin"),    QStringLiteral("pkg"),           QStringLiteral("mpkg"),
        QStringLiteral("dmg"),       QStringLiteral("docset"),        QStringLiteral("tmbundle")};
    return extensions;
}

bool isAscii(std::string_view name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The filter for one ASCII component, without building a QString: the crawl
// asks once per folder of the home.
bool acceptAsciiComponent(std::string_view name)
{
    static const std::array<std::string_view, 18> excluded{
        "node_modules", "DerivedData", "Pods",    "Carthage", "dist",    "build",
        ".build",       ".venv",       ".git",    ".next",    ".nuxt",   ".cache",
        ".npm",         ".yarn",       ".gradle", ".idea",    ".vscode", "__pycache__"};
    static const std::array<std::string_view, 18> packages{
        "app",       "photoslibrary", "rtfd",       "bundle",    "framework", "kext",
        "xcodeproj", "xcworkspace",   "playground", "component", "prefpane",  "appex",
        "plugin",    "pkg",           "mpkg",       "dmg",       "docset",    "tmbundle"};
    if (name.empty() || name.front() == '.')
        return false;
    if (std::find(excluded.begin(), excluded.end(), name) != excluded.end())
        return false;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot - 1 > 16)
        return true;
    char lowered[16];
    const std::size_t length = name.size() - dot - 1;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = name[dot + 1 + i];
        lowered[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return std::find(packages.begin(), packages.end(), std::string_view(lowered, length)) ==
           packages.end();
}

// What the crawl keeps of one component, as raw bytes. A name that is not
// valid UTF-8 cannot be named again as text, so its subtree is left out.
bool acceptComponent(std::string_view name, int depth)
{
    if (depth == 1 && name == "Library")
        return false;
    if (isAscii(name))
        return acceptAsciiComponent(name);
    const QByteArray raw = QByteArray::fromRawData(name.data(), qsizetype(name.size()));
    const QString text = QString::fromUtf8(raw);
    if (text.toUtf8() != raw)
        return false;
    return FolderIndex::isIndexableComponent(text);
}

} // namespace

FolderIndex::FolderIndex(QObject* parent) : FolderIndex(QDir::homePath(), refreshInterval, parent)
{
}

FolderIndex::FolderIndex(QString homePath, std::chrono::milliseconds minimumCrawlGap,
                         QObject* parent)
    : QObject(parent), m_homePath(std::move(homePath)), m_minimumCrawlGap(minimumCrawlGap),
      m_folders(std::make_shared<FolderList>(QStringList{}, m_homePath))
{
    while (m_homePath.size() > 1 && m_homePath.endsWith(QLatin1Char('/')))
        m_homePath.chop(1);
    m_crawler = std::make_unique<QObject>();
    m_thread = std::make_unique<ServiceThread>(m_crawler.get(), "FolderIndex");
}

FolderIndex::~FolderIndex()
{
    // A crawl in progress stops early and ends before its object goes.
    m_cancelled->store(true);
    m_thread->stop();
}

void FolderIndex::start()
{
    if (m_started)
        return;
    m_started = true;
    crawl();
}

bool FolderIndex::refresh()
{
    if (!m_hasGathered || m_isCrawling)
        return false;
    if (m_sinceLastCrawl.isValid() && m_sinceLastCrawl.elapsed() < m_minimumCrawlGap.count())
        return false;
    crawl();
    return true;
}

void FolderIndex::crawl()
{
    m_isCrawling = true;
    const QString home = m_homePath;
    runSerial<SharedFolderList>(m_crawler.get(), [home, cancelled = m_cancelled] {
        return std::make_shared<const FolderList>(crawlFolders(home, {}, cancelled.get()), home);
    }).then(this, [this](SharedFolderList folders) {
        // Always from the event loop, never inside the call that asked for it,
        // even when the crawl ended before the continuation was attached.
        QMetaObject::invokeMethod(
            this, [this, folders = std::move(folders)] { finishCrawl(folders); },
            Qt::QueuedConnection);
    });
}

void FolderIndex::finishCrawl(SharedFolderList folders)
{
    m_folders = std::move(folders);
    m_isCrawling = false;
    m_sinceLastCrawl.start();
    Q_EMIT pathsChanged();
    if (m_hasGathered)
        return;
    m_hasGathered = true;
    VANTLE_DIAG(lcMove, QStringLiteral("FolderIndex: initial gather complete, ") +
                            QString::number(m_folders->size()) +
                            QStringLiteral(" folders indexed"));
    Q_EMIT gathered();
}

QStringList FolderIndex::crawlFolders(const QString& homePath,
                                      const std::function<void(std::string_view)>& opened,
                                      const std::atomic<bool>* cancelled)
{
    dircrawl::Options options;
    options.accept = [](std::string_view, std::string_view name, int depth) {
        return acceptComponent(name, depth);
    };
    options.opened = opened;
    options.cancelled = cancelled;
    const dircrawl::Result result = dircrawl::crawl(homePath, options);
    QStringList paths;
    paths.reserve(qsizetype(result.folders.size()));
    for (const std::string& folder : result.folders)
        paths.append(QString::fromUtf8(folder));
    return paths;
}

bool FolderIndex::isIndexable(const QString& path) const
{
    return isIndexable(path, m_homePath);
}

bool FolderIndex::isIndexable(const QString& path, const QString& homePath)
{
    const QString homePathWithSlash = homePath + QLatin1Char('/');
    const QString libraryPrefix = homePath + QStringLiteral("/Library");
    if (path == homePath)
        return false;
    if (path == libraryPrefix || path.startsWith(libraryPrefix + QLatin1Char('/')))
        return false;
    if (!path.startsWith(homePathWithSlash))
        return false;
    const QStringList pieces =
        path.mid(homePathWithSlash.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::all_of(pieces.begin(), pieces.end(),
                       [](const QString& piece) { return isIndexableComponent(piece); });
}

bool FolderIndex::isIndexableComponent(QStringView name)
{
    if (name.startsWith(QLatin1Char('.')))
        return false;
    if (excludedDirectoryNames().contains(name.toString()))
        return false;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && packageExtensions().contains(name.mid(dot + 1).toString().toLower()))
        return false;
    return true;
}

QList<FolderMatch> FolderIndex::search(const QString& query, int limit) const
{
    return m_folders->search(query, limit);
}

QList<FolderMatch> FolderIndex::search(const QString& query, const QStringList& paths,
                                       const QString& homePath, int limit)
{
    return foldermatcher::search(query, paths, homePath, limit);
}
