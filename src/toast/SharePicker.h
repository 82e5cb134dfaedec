// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A program that can send files somewhere.
struct ShareTarget {
    QString title;         // "Email…"
    QString program;       // run with `arguments` and then the files
    QStringList arguments; // before each file, when `perFile` is set
    bool perFile = false;
};

// Linux has no system share sheet: a small menu of the share targets found on
// the machine. Choosing one runs it with the files and reports its title;
// closing the menu reports none.
class SharePicker : public QObject {
    Q_OBJECT
public:
    using Chosen = std::function<void(std::optional<QString>)>;

    // Mail through xdg-email, and a phone through KDE Connect when one is paired.
    static std::vector<ShareTarget> installedTargets();

    explicit SharePicker(std::vector<ShareTarget> targets = installedTargets());
    ~SharePicker() override;

    void present(const QRect& anchor, const QStringList& files, Chosen chosen);
    QMenu* menu() const { return m_menu; }

private:
    std::vector<ShareTarget> m_targets;
    QPointer<QMenu> m_menu;
};
