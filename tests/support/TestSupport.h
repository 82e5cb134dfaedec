// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Every test process runs in a home of its own: HOME and the XDG folders point
// into a temporary folder set up before anything (GLib caches them) reads them.
namespace testenv {

inline QString home()
{
    return qEnvironmentVariable("HOME");
}
// A fresh, empty folder inside the temporary home.
QString freshFolder(const QString& name);
// Writes `bytes` to a new file; returns its path.
inline QString writeFile(const QString& path, const QByteArray& bytes = "x")
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}
// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace testenv

// Diagnostic lines written to the vantle.* categories, kept for assertions.
namespace logcapture {
int count(const QString& prefix);
} // namespace logcapture

// Unexpected Qt warnings fail the running test; a test that expects one says so.
void allowWarning(const QString& fragment);

// The inode at a path (a link not followed), or 0.
inline std::uint64_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}
// rename(2), which replaces what is at `to` as a save does; fails the test if it fails.
inline void moveOver(const QString& from, const QString& to)
{
    EXPECT_EQ(std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()),
              0)
        << from.toStdString() << " -> " << to.toStdString();
}

// What `text` reads of each of `items`, in order.
template <typename Items, typename Text> QStringList textsOf(const Items& items, Text text)
{
    QStringList texts;
    for (const auto& item : items)
        texts.append(text(item));
    return texts;
}

// Processes events until `condition` holds or the timeout passes; returns
// whether it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Waits for a future while processing events (continuations on this thread run).
template <typename T>
T await(QFuture<T> future, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const bool finished = waitUntil([&] { return future.isFinished(); }, timeout);
    EXPECT_TRUE(finished) << "future did not finish in time";
    if constexpr (!std::is_void_v<T>) {
        // An unfinished or cancelled future has no result to wait for.
        if (!finished || future.resultCount() == 0) {
            ADD_FAILURE() << "future has no result";
            return T{};
        }
        return future.result();
    }
}
