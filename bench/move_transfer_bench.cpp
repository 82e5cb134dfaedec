// SPDX-License-Identifier: GPL-3.0-or-later
// One file moved by the program's own mover, as the toast moves it:
//   move_transfer_bench SOURCE DESTINATION-FOLDER
// Prints the seconds it took; bench/move_crossdevice.sh compares with mv.
#include "move/FileMover.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

namespace {

// Moves are timed, not shown in a file manager.
class QuietWorkspace final : public Workspace {
public:
    void revealInFileManager(const QStringList&) override {}
    bool openFile(const QString&) override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION-FOLDER\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString destination = QString::fromLocal8Bit(argv[2]);
    FileMover mover(std::make_shared<QuietWorkspace>());
    bool moved = false;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    mover.moveFiles({source}, destination, [&](const QList<MoveOutcome>& outcomes) {
        moved = outcomes.value(0).moved();
        loop.quit();
    });
    loop.exec();
    std::printf("%.3f\n", double(clock.nsecsElapsed()) / 1e9);
    return moved ? 0 : 1;
}
