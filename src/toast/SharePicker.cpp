// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/SharePicker.h"

#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

namespace {

// KDE Connect asks its daemon; a daemon that hangs must not keep the query.
constexpr int deviceQueryTimeoutMs = 2000;

const QString phoneTitle = QStringLiteral("Phone (KDE Connect)");

std::optional<ShareTarget> mailTarget()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
        return std::nullopt;
    return ShareTarget{
        QStringLiteral("Email…"), QStringLiteral("xdg-email"), {QStringLiteral("--attach")}, true};
}

} // namespace

SharePicker::SharePicker() : m_discovers(true)
{
    if (auto mail = mailTarget())
        m_targets.push_back(*mail);
}

SharePicker::SharePicker(std::vector<ShareTarget> targets) : m_targets(std::move(targets)) {}

SharePicker::~SharePicker()
{
    delete m_menu;
    if (m_deviceQuery) {
        m_deviceQuery->disconnect(this);
        m_deviceQuery->kill();
        m_deviceQuery->waitForFinished(100);
    }
}

void SharePicker::refresh()
{
    if (!m_discovers || m_deviceQuery)
        return;
    const QString kdeConnect = QStandardPaths::findExecutable(QStringLiteral("kdeconnect-cli"));
    if (kdeConnect.isEmpty())
        return;
    m_deviceQuery = std::make_unique<QProcess>();
    QProcess* query = m_deviceQuery.get();
    connect(query, &QProcess::finished, this, [this, kdeConnect] {
        const QString device = QString::fromUtf8(m_deviceQuery->readAllStandardOutput())
                                   .section(QLatin1Char('\n'), 0, 0)
                                   .trimmed();
        const bool ok =
            m_deviceQuery->exitStatus() == QProcess::NormalExit && m_deviceQuery->exitCode() == 0;
        // Deleted later: this runs inside its own signal.
        m_deviceQuery.release()->deleteLater();
        std::vector<ShareTarget> targets;
        if (auto mail = mailTarget())
            targets.push_back(*mail);
        if (ok && !device.isEmpty())
            targets.push_back({phoneTitle,
                               kdeConnect,
                               {QStringLiteral("-d"), device, QStringLiteral("--share")},
                               false});
        const bool changed =
            targets.size() != m_targets.size() ||
            !std::equal(targets.begin(), targets.end(), m_targets.begin(),
                        [](const ShareTarget& a, const ShareTarget& b) {
                            return a.title == b.title && a.arguments == b.arguments;
                        });
        if (!changed)
            return;
        m_targets = std::move(targets);
        if (m_menu && m_menu->isVisible())
            fillMenu();
        Q_EMIT targetsChanged();
    });
    connect(query, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && m_deviceQuery)
            m_deviceQuery.release()->deleteLater();
    });
    QTimer::singleShot(deviceQueryTimeoutMs, query, [query] { query->kill(); });
    query->start(kdeConnect, {QStringLiteral("--list-available"), QStringLiteral("--id-only")});
}

void SharePicker::fillMenu()
{
    m_menu->clear();
    if (m_targets.empty())
        m_menu->addAction(QStringLiteral("No way to share is installed"))->setEnabled(false);
    for (const ShareTarget& target : m_targets) {
        QAction* action = m_menu->addAction(target.title);
        QObject::connect(action, &QAction::triggered, m_menu,
                         [target, files = m_files, choice = m_choice] {
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
}

void SharePicker::present(const QRect& anchor, const QStringList& files, Chosen chosen)
{
    delete m_menu;
    m_menu = new QMenu;
    m_menu->setObjectName(QStringLiteral("SharePicker"));
    m_files = files;
    m_choice = std::make_shared<std::optional<QString>>();
    fillMenu();
    // The menu hides before a chosen action reports: decide once both are in.
    QObject::connect(m_menu, &QMenu::aboutToHide, m_menu,
                     [chosen, choice = m_choice, menu = m_menu] {
                         QTimer::singleShot(0, menu, [chosen, choice] { chosen(*choice); });
                     });
    // Centred under its anchor, as the island and its panels are.
    const QSize size = m_menu->sizeHint();
    m_menu->popup(QPoint(anchor.center().x() - size.width() / 2, anchor.bottom() + 1));
    // Reached by the keyboard as often as by the mouse: Return takes the first way.
    if (const QList<QAction*> actions = m_menu->actions();
        !actions.isEmpty() && actions.first()->isEnabled())
        m_menu->setActiveAction(actions.first());
    refresh();
}
