// SPDX-License-Identifier: GPL-3.0-or-later
// The move input as the user meets it, over 200,000 folders: a key press to the
// ranked rows painted, and opening the panel to it painted with its rows.
//   QT_QPA_PLATFORM=offscreen build/bench/move_input_bench
#include "move/FolderList.h"
#include "move/FolderMatcher.h"
#include "move/MoveInputViewModel.h"
#include "move_bench_data.h"
#include "platform/WindowSystem.h"
#include "toast/MoveInputPanel.h"
#include "toast/MoveInputView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const QString home = QStringLiteral("/home/bench");

double percentile(std::vector<double> values, int p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * std::size_t(p) / 100)];
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const FolderList folders(movebench::generatePaths(home, 200000), home);
    const QStringList recent{home + QStringLiteral("/Projects"), home + QStringLiteral("/Invoices"),
                             home + QStringLiteral("/Photos")};
    MoveInputViewModel model(home);
    MoveInputPanel panel(makeWindowSystem(), model);
    panel.resize(500, 200);

    // Opening: reset, recent destinations in, the panel painted with its rows.
    std::vector<double> opening;
    for (int i = 0; i < 200; ++i) {
        panel.hide();
        model.setQuery(QString());
        model.setMruSuggestions({});
        const auto start = std::chrono::steady_clock::now();
        model.setResults({});
        model.setSelectedIndex(0);
        model.setMruSuggestions(recent);
        panel.show();
        panel.view().field().setFocus();
        const QPixmap painted = panel.grab();
        opening.push_back(millisecondsSince(start));
        if (painted.isNull())
            return 1;
    }

    // Each key press: rank, fill the model, paint the rows.
    std::vector<double> keys;
    for (int round = 0; round < 3; ++round) {
        for (const QString& typed : movebench::keystrokes()) {
            const auto start = std::chrono::steady_clock::now();
            model.setQuery(typed);
            model.setResults(foldermatcher::rankForMoveInput(folders.search(typed, 3), recent));
            model.clampSelection();
            const QPixmap painted = panel.view().grab();
            keys.push_back(millisecondsSince(start));
            if (painted.isNull())
                return 1;
        }
    }
    std::printf("move input over %lld folders: key press to rows painted p50 %.2f ms, p99 %.2f ms "
                "(%zu presses); panel opened and painted p50 %.2f ms, p99 %.2f ms\n",
                static_cast<long long>(folders.size()), percentile(keys, 50), percentile(keys, 99),
                keys.size(), percentile(opening, 50), percentile(opening, 99));
    return 0;
}
