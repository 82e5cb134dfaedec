// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Synthetic but realistic folder trees for the move benchmarks: the folder
// names of this machine's /usr mixed with the names people give their own
// folders, in a tree whose fan-out falls with depth. Deterministic for a seed.

#include <QDirIterator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <random>

namespace movebench {

inline QStringList vocabulary()
{
    QSet<QString> names;
    QDirIterator it(QStringLiteral("/usr"), QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().section(QLatin1Char('/'), -1);
        if (!name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('.')))
            names.insert(name);
    }
    for (const char* personal :
         {"Invoices",      "Taxes 2023",  "Taxes 2024", "Receipts", "Photos",    "Trip to Rome",
          "Wedding",       "Screenshots", "Projects",   "vantle",   "thesis",    "Papers",
          "Drafts",        "Contracts",   "Scans",      "Music",    "Jazz",      "Podcasts",
          "Books",         "Recipes",     "Archive",    "Clients",  "Acme Corp", "Design",
          "Mockups",       "Fonts",       "Wallpapers", "Backups",  "Notes",     "Meeting notes",
          "Presentations", "Budget",      "Kids",       "School",   "Garden",    "Car",
          "Insurance",     "Health",      "Résumé",     "Über uns", "Fotos",     "Año 2022",
          "Projets"})
        names.insert(QString::fromUtf8(personal));
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted;
}

// `count` folder paths under `home`, parents before children, breadth first.
inline QStringList generatePaths(const QString& home, int count, unsigned seed = 7)
{
    const QStringList words = vocabulary();
    std::mt19937 random(seed);
    const QStringList top{"Documents", "Downloads", "Desktop", "Music",    "Pictures",
                          "Videos",    "Projects",  "code",    "work",     "Dropbox",
                          "Games",     "Books",     "Public",  "Templates"};
    QStringList paths;
    for (const QString& name : top)
        paths.append(home + QLatin1Char('/') + name);
    std::vector<int> depths(std::size_t(paths.size()), 1);
    for (std::size_t next = 0; next < std::size_t(paths.size()) && paths.size() < count; ++next) {
        const int depth = depths[next];
        // Wide near the top, narrow further down; many folders are leaves.
        std::geometric_distribution<int> fanOut(0.04 + 0.04 * depth);
        const int children = std::min(depth > 9 ? 0 : fanOut(random), 60);
        QSet<QString> used;
        for (int c = 0; c < children && paths.size() < count; ++c) {
            QString name = words[int(random() % unsigned(words.size()))];
            if (random() % 5 == 0)
                name += QLatin1Char(' ') + QString::number(2000 + random() % 26);
            if (used.contains(name))
                continue;
            used.insert(name);
            paths.append(paths[qsizetype(next)] + QLatin1Char('/') + name);
            depths.push_back(depth + 1);
        }
    }
    return paths;
}

// The queries a user types, one letter at a time.
inline QStringList typedQueries()
{
    return {"invoices", "taxes 2023", "doc proj", "vantle",    "photos rome", "music jazz", "dl",
            "thesis",   "src",        "python",   "share doc", "icons",       "acme",       "wall",
            "meeting",  "budget",     "uber",     "projets",   "lib x86",     "kids school"};
}

inline QStringList keystrokes()
{
    QStringList prefixes;
    for (const QString& query : typedQueries())
        for (qsizetype n = 1; n <= query.size(); ++n)
            prefixes.append(query.left(n));
    return prefixes;
}

} // namespace movebench
