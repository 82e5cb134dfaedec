// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastMoveFlow.h"

#include "move/FileMover.h"
#include "move/FolderIndex.h"
#include "move/FolderMatcher.h"
#include "move/MoveInputViewModel.h"
#include "move/MoveMRU.h"
#include "toast/MoveInputPanel.h"
#include "toast/MoveInputView.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastInputs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

using toastflow::soon;

ToastMoveFlow::ToastMoveFlow(ToastFlowHost& host, ToastInputs& inputs, Services services)
    : m_host(host), m_inputs(inputs), m_services(std::move(services)),
      m_model(std::make_unique<MoveInputViewModel>(
          m_services.folderIndex ? m_services.folderIndex->homePath() : QDir::homePath())),
      m_panel(std::make_unique<MoveInputPanel>(m_services.windowSystem, *m_model)),
      m_fileMover(std::make_unique<FileMover>(m_services.workspace))
{
    m_inputs.setPanel(ToastInput::move, *m_panel);
    QPointer<ToastMoveFlow> self(this);
    m_panel->view().setActions({
        [self](const QString& text) {
            if (self)
                QMetaObject::invokeMethod(
                    self.data(), [self, text] { self->queryChanged(text); }, Qt::QueuedConnection);
        },
        soon<ToastMoveFlow>(this,
                            [](ToastMoveFlow& f) {
                                if (const auto folder = f.m_model->selectedURL())
                                    f.moveTo(*folder);
                            }),
        soon<ToastMoveFlow>(this, [](ToastMoveFlow& f) { f.close(); }),
        soon<ToastMoveFlow>(this, [](ToastMoveFlow& f) { f.browseForDestination(); }),
        soon<ToastMoveFlow>(this, [](ToastMoveFlow& f) { f.createFolderAndMove(); }),
    });
}

ToastMoveFlow::~ToastMoveFlow() = default;

void ToastMoveFlow::place()
{
    if (const auto facts = m_host.currentScreenFacts())
        m_panel->setBodyGeometry(toastgeometry::inputPanelFrame(
            *facts, toastgeometry::moveInputHeight(int(m_model->rowPaths().size()),
                                                   !m_model->showsSuggestions())));
}

void ToastMoveFlow::show()
{
    if (!m_inputs.canOpen())
        return;
    m_model->setQuery(QString());
    m_model->setResults({});
    m_model->setSelectedIndex(0);
    m_model->setMruSuggestions(m_services.moveMRU ? m_services.moveMRU->validated(3)
                                                  : QStringList());
    // A crawl older than its refresh interval runs again; the old list serves meanwhile.
    if (m_services.folderIndex)
        m_services.folderIndex->refresh();
    place();
    m_inputs.open(ToastInput::move);
    m_panel->view().field().setFocus();
}

void ToastMoveFlow::queryChanged(const QString& text)
{
    QList<FolderMatch> results;
    if (m_services.folderIndex) {
        results = m_services.folderIndex->search(text, 3);
        if (m_services.moveMRU)
            results =
                foldermatcher::rankForMoveInput(std::move(results), m_services.moveMRU->paths());
    }
    m_model->setResults(std::move(results));
    m_model->clampSelection();
    place();
}

void ToastMoveFlow::moveTo(const QString& folder, bool create)
{
    std::vector<QueuedFile> files;
    QStringList paths;
    for (const ToastEntry& entry : m_host.toastEntries()) {
        if (!entry.filePath.isEmpty()) {
            files.push_back({entry.id, entry.filePath});
            paths.append(entry.filePath);
        }
    }
    if (!files.empty()) {
        QPointer<ToastMoveFlow> self(this);
        m_fileMover->moveFiles(
            paths, folder,
            [self, folder, files](const QList<MoveOutcome>& outcomes) {
                if (self)
                    self->finishMove(folder, files, outcomes);
            },
            create);
    }
    close();
    m_host.hide();
}

void ToastMoveFlow::finishMove(const QString& folder, const std::vector<QueuedFile>& files,
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
    m_host.settleRecords(std::move(answered));
    if (failed.isEmpty())
        return;
    const QString what =
        failed.size() == 1
            ? QStringLiteral("“") + QFileInfo(failed[0].source).fileName() + QStringLiteral("”")
            : QStringLiteral("%1 files").arg(failed.size());
    m_host.showNotice(QStringLiteral("Couldn't move ") + what + QStringLiteral(" to ") +
                      m_model->displayPath(folder) + QStringLiteral(": ") + failed[0].error);
}

void ToastMoveFlow::browseForDestination()
{
    if (!m_inputs.isOpen(ToastInput::move))
        return;
    QFileDialog chooser(nullptr, QStringLiteral("Choose a destination folder"), QDir::homePath());
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setLabelText(QFileDialog::Accept, QStringLiteral("Move Here"));
    m_inputs.handOver(ToastInput::move, ToastInput::folderChooser);
    const bool chosen = chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty();
    m_inputs.setOpen(ToastInput::folderChooser, false);
    m_inputs.restoreFocus();
    if (chosen)
        moveTo(chooser.selectedFiles().first());
    else
        m_host.setPaused(false);
}

void ToastMoveFlow::createFolderAndMove()
{
    if (const auto folder = m_model->newFolderURL())
        moveTo(*folder, true);
}

void ToastMoveFlow::close()
{
    m_inputs.close(ToastInput::move);
}
