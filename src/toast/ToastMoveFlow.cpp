// SPDX-License-Identifier: GPL-3.0-or-later
// The move flow of the toast: find a folder by typing, browse for one or make
// one, and move every queued file into it.
#include "toast/ToastController.h"

#include "move/FileMover.h"
#include "move/FolderIndex.h"
#include "move/FolderMatcher.h"
#include "move/MoveInputViewModel.h"
#include "move/MoveMRU.h"
#include "toast/MoveInputPanel.h"
#include "toast/MoveInputView.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

void ToastController::installMoveInput()
{
    m_moveModel = std::make_unique<MoveInputViewModel>(
        m_services.folderIndex ? m_services.folderIndex->homePath() : QDir::homePath());
    m_inputPanel = std::make_unique<MoveInputPanel>(m_services.windowSystem, *m_moveModel);
    m_fileMover = std::make_unique<FileMover>(m_services.workspace);
    QPointer<ToastController> self(this);
    auto soon = [self](std::function<void(ToastController&)> work) {
        return [self, work] {
            if (self)
                self->later(work);
        };
    };
    m_inputPanel->view().setActions({
        [self](const QString& text) {
            if (self)
                self->later([text](ToastController& c) { c.moveQueryChanged(text); });
        },
        soon([](ToastController& c) {
            if (const auto folder = c.m_moveModel->selectedURL())
                c.moveTo(*folder);
        }),
        soon([](ToastController& c) { c.closeMoveInput(); }),
        soon([](ToastController& c) { c.browseForDestination(); }),
        soon([](ToastController& c) { c.createFolderAndMove(); }),
    });
}

void ToastController::placeMoveInput()
{
    if (const auto facts = currentScreenFacts())
        m_inputPanel->setGeometry(toastgeometry::inputPanelFrame(
            *facts, m_inputPanel->withShadowRoom(toastgeometry::moveInputHeight(
                        int(m_moveModel->rowPaths().size()), !m_moveModel->showsSuggestions()))));
}

void ToastController::showMoveInput()
{
    if (m_state != DynamicIslandToastState::visible || isAnyInputVisible())
        return;
    m_moveModel->setQuery(QString());
    m_moveModel->setResults({});
    m_moveModel->setSelectedIndex(0);
    m_moveModel->setMruSuggestions(m_services.moveMRU ? m_services.moveMRU->validated(3)
                                                      : QStringList());
    // A crawl older than its refresh interval runs again; the old list serves meanwhile.
    if (m_services.folderIndex)
        m_services.folderIndex->refresh();
    placeMoveInput();
    openInput(Input::move);
    m_inputPanel->view().field().setFocus();
}

void ToastController::moveQueryChanged(const QString& text)
{
    QList<FolderMatch> results;
    if (m_services.folderIndex) {
        results = m_services.folderIndex->search(text, 3);
        if (m_services.moveMRU)
            results =
                foldermatcher::rankForMoveInput(std::move(results), m_services.moveMRU->paths());
    }
    m_moveModel->setResults(std::move(results));
    m_moveModel->clampSelection();
    placeMoveInput();
}

void ToastController::moveTo(const QString& folder, bool create)
{
    std::vector<QueuedFile> files;
    QStringList paths;
    for (const ToastEntry& entry : m_toastEntries) {
        if (!entry.filePath.isEmpty()) {
            files.push_back({entry.id, entry.filePath});
            paths.append(entry.filePath);
        }
    }
    if (!files.empty()) {
        QPointer<ToastController> self(this);
        m_fileMover->moveFiles(
            paths, folder,
            [self, folder, files](const QList<MoveOutcome>& outcomes) {
                if (self)
                    self->finishMove(folder, files, outcomes);
            },
            create);
    }
    closeMoveInput();
    hide();
}

void ToastController::finishMove(const QString& folder, const std::vector<QueuedFile>& files,
                                 const QList<MoveOutcome>& outcomes)
{
    QList<MoveOutcome> failed;
    for (const MoveOutcome& outcome : outcomes) {
        if (!outcome.moved())
            failed.append(outcome);
    }
    if (failed.size() < outcomes.size() && m_services.moveMRU)
        m_services.moveMRU->record(folder);
    // The toast has answered for them all: a file that could not move stays
    // in Downloads, kept, and the popover lists it.
    std::vector<RecordId> answered;
    for (const QueuedFile& file : files)
        answered.push_back(file.id);
    settleRecords(std::move(answered));
    if (failed.isEmpty())
        return;
    const QString what =
        failed.size() == 1
            ? QStringLiteral("“") + QFileInfo(failed[0].source).fileName() + QStringLiteral("”")
            : QStringLiteral("%1 files").arg(failed.size());
    showNotice(QStringLiteral("Couldn't move ") + what + QStringLiteral(" to ") +
               m_moveModel->displayPath(folder) + QStringLiteral(": ") + failed[0].error);
}

void ToastController::browseForDestination()
{
    if (!m_isMoveInputVisible)
        return;
    m_isMoveInputVisible = false;
    m_inputPanel->orderOut();
    m_inputPanel->setAlpha(1.0);
    QFileDialog chooser(nullptr, QStringLiteral("Choose a destination folder"), QDir::homePath());
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setLabelText(QFileDialog::Accept, QStringLiteral("Move Here"));
    m_isFolderChooserVisible = true;
    Q_EMIT interactionChanged();
    const bool chosen = chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty();
    m_isFolderChooserVisible = false;
    restoreFocus();
    if (chosen)
        moveTo(chooser.selectedFiles().first());
    else
        setPaused(false);
}

void ToastController::createFolderAndMove()
{
    if (const auto folder = m_moveModel->newFolderURL())
        moveTo(*folder, true);
}

void ToastController::closeMoveInput()
{
    closeInput(Input::move);
}
