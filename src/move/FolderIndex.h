// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "move/FolderList.h"
#include "move/FolderMatch.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

class ServiceThread;

// Every folder under the home folder that a file may be moved to. A crawler
// fills it off the main thread; the list is replaced as a whole, so a search
// sees the old list or the new one, never a mix. Lives on the main thread.
class FolderIndex : public QObject {
    Q_OBJECT
public:
    // A crawl asked for sooner than this after the last one ended is not run.
    static constexpr std::chrono::milliseconds refreshInterval{std::chrono::seconds(10)};

    explicit FolderIndex(QObject* parent = nullptr);
    FolderIndex(QString homePath, std::chrono::milliseconds minimumCrawlGap,
                QObject* parent = nullptr);
    ~FolderIndex() override;

    // Runs the first crawl; later calls leave it alone.
    void start();
    // Crawls again unless a crawl is running, the first has not ended, or the
    // last one ended less than the crawl gap ago. Returns whether it started.
    bool refresh();

    QStringList paths() const { return m_folders->paths(); }
    // The current list, ready for searching.
    SharedFolderList folders() const { return m_folders; }
    bool hasGathered() const { return m_hasGathered; }
    bool isCrawling() const { return m_isCrawling; }
    const QString& homePath() const { return m_homePath; }

    // The folder filter: below the home folder, not its Library, and no
    // hidden, build or package folder on the way.
    bool isIndexable(const QString& path) const;
    static bool isIndexable(const QString& path, const QString& homePath);
    // The filter for one path component (the crawl applies it per level).
    static bool isIndexableComponent(QStringView name);

    // One crawl of `homePath` with the filter applied per level, so that a
    // rejected folder is never read; `opened` is told of each folder read.
    static QStringList crawlFolders(const QString& homePath,
                                    const std::function<void(std::string_view)>& opened = {},
                                    const std::atomic<bool>* cancelled = nullptr);

    // The best matches over the current list.
    QList<FolderMatch> search(const QString& query, int limit) const;
    // The matcher over any list of paths.
    static QList<FolderMatch> search(const QString& query, const QStringList& paths,
                                     const QString& homePath, int limit);

Q_SIGNALS:
    // The list was replaced.
    void pathsChanged();
    // The first crawl ended.
    void gathered();

private:
    void crawl();
    void finishCrawl(SharedFolderList folders);

    QString m_homePath;
    std::chrono::milliseconds m_minimumCrawlGap;
    SharedFolderList m_folders;
    bool m_started = false;
    bool m_hasGathered = false;
    bool m_isCrawling = false;
    QElapsedTimer m_sinceLastCrawl;
    // The crawls run one at a time on this thread.
    std::unique_ptr<QObject> m_crawler;
    // Set when the index goes, so that a crawl in progress ends early.
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<ServiceThread> m_thread;
};
