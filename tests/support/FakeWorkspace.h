// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QStringList>

// A Workspace that records what it was asked and opens nothing.
class FakeWorkspace final : public Workspace {
public:
    void revealInFileManager(const QStringList& paths) override { m_revealed.append(paths); }
    bool openFile(const QString& path) override
    {
        m_opened.append(path);
        return true;
    }

    // Each reveal request, in order.
    const QList<QStringList>& revealed() const { return m_revealed; }
    const QStringList& opened() const { return m_opened; }

private:
    QList<QStringList> m_revealed;
    QStringList m_opened;
};
