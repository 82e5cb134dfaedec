// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QStringList>

// A Workspace that records what it was asked and opens nothing.
class FakeWorkspace final : public Workspace {
public:
    void revealInFileManager(const QStringList& paths) override { revealed.append(paths); }
    bool openFile(const QString& path) override
    {
        opened.append(path);
        return true;
    }

    QList<QStringList> revealed; // each reveal request, in order
    QStringList opened;
};
