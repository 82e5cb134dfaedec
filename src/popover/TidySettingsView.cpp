// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/TidySettingsView.h"

#include "platform/AppSettings.h"
#include "popover/ElidedLabel.h"
#include "tidy/TidyRule.h"
#include "tidy/TidySchedule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int spacing = 8;
constexpr int labelWidth = 96; // the rows' labels line their fields up

// The kinds as the user reads them, in the order of TidyRule::kindNames.
const QStringList& kindLabels()
{
    static const QStringList labels = {QStringLiteral("Installers and packages"),
                                       QStringLiteral("Archives"),
                                       QStringLiteral("Disk images"),
                                       QStringLiteral("Documents"),
                                       QStringLiteral("Images"),
                                       QStringLiteral("Audio"),
                                       QStringLiteral("Video")};
    return labels;
}

QSpinBox* daysField(const settings::Declaration& declaration, const QString& name,
                    const QString& accessibleName, QWidget* parent)
{
    auto* field = new QSpinBox(parent);
    field->setObjectName(name);
    field->setAccessibleName(accessibleName);
    field->setRange(int(declaration.minimum), int(declaration.maximum));
    field->setValue(int(settings::readInteger(declaration)));
    field->setFixedWidth(settingsAmountWidth);
    return field;
}

} // namespace

TidySettingsView::TidySettingsView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    auto* heading = new QLabel(QStringLiteral("Tidy Downloads"), this);
    QFont bold = heading->font();
    bold.setWeight(QFont::DemiBold);
    heading->setFont(bold);
    layout->addWidget(heading);

    m_enabled = new QCheckBox(QStringLiteral("Move old files out of Downloads"), this);
    m_enabled->setObjectName(QStringLiteral("tidyEnabled"));
    m_enabled->setChecked(settings::readBoolean(settings::tidyEnabled));
    layout->addWidget(m_enabled);

    m_rows = new QWidget(this);
    auto* rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(spacing);
    layout->addWidget(m_rows);

    m_days = daysField(settings::tidyOlderThanDays, QStringLiteral("tidyOlderThanDays"),
                       QStringLiteral("Older than, in days"), m_rows);
    rows->addWidget(makeRow(QStringLiteral("Older than"), m_days, new QLabel("days", m_rows)));

    m_kinds = new QPushButton(m_rows);
    m_kinds->setObjectName(QStringLiteral("tidyKinds"));
    m_kinds->setAccessibleName(QStringLiteral("Kinds of files"));
    auto* kindMenu = new QMenu(m_kinds);
    const QStringList chosen = TidyRule::fromSettings().kinds;
    for (qsizetype i = 0; i < TidyRule::kindNames().size(); ++i) {
        QAction* kind = kindMenu->addAction(kindLabels()[i]);
        kind->setCheckable(true);
        kind->setData(TidyRule::kindNames()[i]);
        kind->setChecked(chosen.contains(TidyRule::kindNames()[i]));
        connect(kind, &QAction::toggled, this, [this, kindMenu] {
            QStringList kinds;
            for (QAction* action : kindMenu->actions()) {
                if (action->isChecked())
                    kinds.append(action->data().toString());
            }
            settings::write(settings::tidyKinds, kinds);
            showRule();
        });
    }
    m_kinds->setMenu(kindMenu);
    rows->addWidget(makeRow(QStringLiteral("Kinds"), m_kinds));

    m_destination = new QComboBox(m_rows);
    m_destination->setObjectName(QStringLiteral("tidyDestination"));
    m_destination->setAccessibleName(QStringLiteral("Move to"));
    m_destination->addItem(QStringLiteral("the Trash"), QStringLiteral("trash"));
    m_destination->addItem(QStringLiteral("an archive folder"), QStringLiteral("archive"));
    m_destination->setCurrentIndex(m_destination->findData(TidyRule::fromSettings().destination ==
                                                                   TidyRule::Destination::archive
                                                               ? QStringLiteral("archive")
                                                               : QStringLiteral("trash")));
    rows->addWidget(makeRow(QStringLiteral("Move to"), m_destination));

    m_folder = new ElidedLabel(QString(), Qt::ElideMiddle, m_rows);
    m_folder->setObjectName(QStringLiteral("tidyArchiveFolder"));
    m_folder->setForegroundRole(QPalette::PlaceholderText);
    auto* choose = new QPushButton(QStringLiteral("Choose…"), m_rows);
    choose->setObjectName(QStringLiteral("tidyChooseFolder"));
    choose->setAccessibleName(QStringLiteral("Choose the archive folder"));
    connect(choose, &QPushButton::clicked, this, &TidySettingsView::chooseFolder);
    // The folder takes the whole line: a path needs every pixel it can get.
    m_folderRow = new QWidget(m_rows);
    auto* folderLine = new QHBoxLayout(m_folderRow);
    folderLine->setContentsMargins(0, 0, 0, 0);
    folderLine->setSpacing(spacing);
    folderLine->addWidget(m_folder, 1);
    folderLine->addWidget(choose);
    rows->addWidget(m_folderRow);

    m_folders = new QCheckBox(QStringLiteral("Include folders"), m_rows);
    m_folders->setObjectName(QStringLiteral("tidyIncludeFolders"));
    m_folders->setChecked(settings::readBoolean(settings::tidyIncludeFolders));
    rows->addWidget(m_folders);

    m_recent = daysField(settings::tidyRecentlyUsedDays, QStringLiteral("tidyRecentlyUsedDays"),
                         QStringLiteral("Keep files opened in the last days"), m_rows);
    m_recent->setSpecialValueText(QStringLiteral("off"));
    rows->addWidget(makeRow(QStringLiteral("Keep if opened"), m_recent,
                            new QLabel("days ago or less", m_rows)));

    connect(m_enabled, &QCheckBox::toggled, this, [this](bool on) {
        TidySchedule::setRuleEnabled(on);
        showRule();
    });
    connect(m_days, &QSpinBox::valueChanged, this,
            [](int days) { settings::write(settings::tidyOlderThanDays, days); });
    connect(m_destination, &QComboBox::activated, this, [this] {
        settings::write(settings::tidyDestination, m_destination->currentData());
        showRule();
    });
    connect(m_folders, &QCheckBox::toggled, this,
            [](bool on) { settings::write(settings::tidyIncludeFolders, on); });
    connect(m_recent, &QSpinBox::valueChanged, this,
            [](int days) { settings::write(settings::tidyRecentlyUsedDays, days); });
    showRule();
}

QWidget* TidySettingsView::makeRow(const QString& label, QWidget* field, QWidget* after)
{
    auto* row = new QWidget(m_rows);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(spacing);
    auto* name = new QLabel(label, row);
    name->setFixedWidth(labelWidth);
    line->addWidget(name);
    line->addWidget(field, after ? 1 : 0);
    if (after)
        line->addWidget(after);
    else
        line->addStretch(1);
    return row;
}

void TidySettingsView::chooseFolder()
{
    const TidyRule rule = TidyRule::fromSettings();
    const QString start = rule.archiveFolder.isEmpty() ? QDir::homePath() : rule.archiveFolder;
    // The popover may close while the dialog is up.
    QPointer<TidySettingsView> self(this);
    const QString folder =
        QFileDialog::getExistingDirectory(nullptr, QStringLiteral("Archive folder"), start);
    if (folder.isEmpty())
        return;
    settings::write(settings::tidyArchiveFolder, QDir::cleanPath(folder));
    if (self)
        showRule();
}

void TidySettingsView::showRule()
{
    const TidyRule rule = TidyRule::fromSettings();
    m_rows->setEnabled(rule.enabled);
    QStringList kinds;
    for (const QString& kind : rule.kinds)
        kinds.append(kindLabels()[TidyRule::kindNames().indexOf(kind)]);
    // Short enough for the pane: the first kind and how many more.
    m_kinds->setText(
        kinds.isEmpty() ? QStringLiteral("All kinds")
        : kinds.size() == 1
            ? kinds.first()
            : QStringLiteral("%1 and %2 more").arg(kinds.first()).arg(kinds.size() - 1));
    m_kinds->setToolTip(kinds.isEmpty() ? QString() : kinds.join(QStringLiteral(", ")));
    const bool archive = rule.destination == TidyRule::Destination::archive;
    m_folderRow->setVisible(archive);
    const QString folder = rule.archiveFolder.isEmpty()
                               ? QStringLiteral("Downloads/Archive/year/month")
                               : QDir::toNativeSeparators(rule.archiveFolder);
    m_folder->setFullText(folder);
}
