// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
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

    // Mail through xdg-email, and a phone through KDE Connect when one is
    // paired, asked again each time the picker opens: the menu shows what is
    // known at once and takes in the answer when it comes, so the main
    // thread never waits on another program.
    SharePicker();
    // Exactly these targets.
    explicit SharePicker(std::vector<ShareTarget> targets);
    ~SharePicker() override;

    void present(const QRect& anchor, const QStringList& files, Chosen chosen);
    QMenu* menu() const { return m_menu; }
    const std::vector<ShareTarget>& targets() const { return m_targets; }

Q_SIGNALS:
    // The targets changed after an answer came in.
    void targetsChanged();

private:
    void refresh();
    void fillMenu();

    bool m_discovers = false;
    std::vector<ShareTarget> m_targets;
    QPointer<QMenu> m_menu;
    QStringList m_files;                              // what the open menu shares
    std::shared_ptr<std::optional<QString>> m_choice; // what the open menu chose
    std::unique_ptr<QProcess> m_deviceQuery;          // KDE Connect's paired devices
};
