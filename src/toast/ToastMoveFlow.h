// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class FileMover;
class FolderIndex;
class MoveInputPanel;
class MoveInputViewModel;
class MoveMRU;
class ToastFlowHost;
class ToastInputs;
class WindowSystem;
class Workspace;
struct MoveOutcome;

// The move flow of the toast: find a folder by typing, browse for one or make
// one, and move every queued file into it.
class ToastMoveFlow : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<WindowSystem> windowSystem;
        std::shared_ptr<Workspace> workspace;
        FolderIndex* folderIndex = nullptr; // where folders are found
        MoveMRU* moveMRU = nullptr;         // the recent destinations
    };
    ToastMoveFlow(ToastFlowHost& host, ToastInputs& inputs, Services services);
    ~ToastMoveFlow() override;

    void show();
    void queryChanged(const QString& text);
    // Moves every queued file into `folder` (made first when `create`). The
    // toast goes at once; what could not be moved stays, with its record as
    // it was, and a notice in the toast's place says why.
    void moveTo(const QString& folder, bool create = false);
    void browseForDestination();
    void createFolderAndMove();
    void close();

    MoveInputViewModel& model() { return *m_model; }
    MoveInputPanel& panel() { return *m_panel; }
    FileMover& fileMover() { return *m_fileMover; }

private:
    struct QueuedFile {
        RecordId id;
        QString path;
    };
    void place();
    void finishMove(const QString& folder, const std::vector<QueuedFile>& files,
                    const QList<MoveOutcome>& outcomes);

    ToastFlowHost& m_host;
    ToastInputs& m_inputs;
    Services m_services;
    std::unique_ptr<MoveInputViewModel> m_model;
    std::unique_ptr<MoveInputPanel> m_panel;
    std::unique_ptr<FileMover> m_fileMover;
};
