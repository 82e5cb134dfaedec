// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/SharePicker.h"

#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

std::vector<ShareTarget> SharePicker::installedTargets()
{
    std::vector<ShareTarget> targets;
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
        targets.push_back({QStringLiteral("Email…"),
                           QStringLiteral("xdg-email"),
                           {QStringLiteral("--attach")},
                           true});
    const QString kdeConnect = QStandardPaths::findExecutable(QStringLiteral("kdeconnect-cli"));
    if (!kdeConnect.isEmpty()) {
        QProcess list;
        list.start(kdeConnect, {QStringLiteral("--list-available"), QStringLiteral("--id-only")});
        if (list.waitForFinished(2000)) {
            const QString device =
                QString::fromUtf8(list.readAllStandardOutput()).section('\n', 0, 0);
            if (!device.trimmed().isEmpty())
                targets.push_back(
                    {QStringLiteral("Phone (KDE Connect)"),
                     kdeConnect,
                     {QStringLiteral("-d"), device.trimmed(), QStringLiteral("--share")},
                     false});
        }
    }
    return targets;
}

SharePicker::SharePicker(std::vector<ShareTarget> targets) : m_targets(std::move(targets)) {}

SharePicker::~SharePicker()
{
    delete m_menu;
}

void SharePicker::present(const QRect& anchor, const QStringList& files, Chosen chosen)
{
    delete m_menu;
    m_menu = new QMenu;
    m_menu->setObjectName(QStringLiteral("SharePicker"));
    auto choice = std::make_shared<std::optional<QString>>();
    if (m_targets.empty())
        m_menu->addAction(QStringLiteral("No way to share is installed"))->setEnabled(false);
    for (const ShareTarget& target : m_targets) {
        QAction* action = m_menu->addAction(target.title);
        QObject::connect(action, &QAction::triggered, m_menu, [target, files, choice] {
            QStringList arguments;
            for (const QString& file : files) {
                if (target.perFile || arguments.isEmpty())
                    arguments << target.arguments;
                arguments << file;
            }
            QProcess::startDetached(target.program, arguments);
            *choice = target.title;
        });
    }
    // The menu hides before a chosen action reports: decide once both are in.
    QObject::connect(m_menu, &QMenu::aboutToHide, m_menu, [chosen, choice, menu = m_menu] {
        QTimer::singleShot(0, menu, [chosen, choice] { chosen(*choice); });
    });
    m_menu->popup(anchor.bottomLeft());
}
