// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoveInputView.h"

#include "menus/PanelBackground.h"
#include "move/MoveInputViewModel.h"
#include "platform/KeyGrabber.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int headerHeight = 52;
constexpr int rowHeight = 32;
constexpr int createHeight = 28;

QFont sized(QFont font, int pixels, QFont::Weight weight)
{
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QWidget* divider()
{
    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 64);"));
    return line;
}

// One destination as a breadcrumb of its segments; a click chooses it.
class BreadcrumbRow : public QWidget {
public:
    BreadcrumbRow(QStringList segments, bool selected, std::function<void()> chosen)
        : m_segments(std::move(segments)), m_selected(selected), m_chosen(std::move(chosen))
    {
        setFixedHeight(rowHeight);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_chosen();
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (m_selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 26));
            p.drawRoundedRect(QRectF(rect()), 8, 8);
        }
        int x = 10;
        for (int i = 0; i < m_segments.size(); ++i) {
            if (i > 0) {
                p.setFont(sized(font(), 9, QFont::DemiBold));
                p.setPen(QColor(255, 255, 255, 150));
                p.drawText(QRect(x, 0, 10, height()), Qt::AlignCenter, QStringLiteral("›"));
                x += 14;
            }
            const bool last = i == m_segments.size() - 1;
            const QFont segment = sized(font(), 14, last ? QFont::DemiBold : QFont::Normal);
            p.setFont(segment);
            p.setPen(Qt::white);
            const int width = QFontMetrics(segment).horizontalAdvance(m_segments[i]);
            p.drawText(QRect(x, 0, width + 1, height()), Qt::AlignVCenter, m_segments[i]);
            x += width + 4;
        }
    }

private:
    QStringList m_segments;
    bool m_selected;
    std::function<void()> m_chosen;
};

QLabel* keycap(const QString& spelled)
{
    auto* cap = new QLabel(KeyGrabber::keycap(spelled));
    cap->setToolTip(spelled);
    cap->setAccessibleName(spelled);
    cap->setFont(sized(cap->font(), 10, QFont::DemiBold));
    cap->setStyleSheet(
        QStringLiteral("color: white; background: rgba(255, 255, 255, 20); border: 0.5px solid "
                       "rgba(255, 255, 255, 31); border-radius: 4px; padding: 2px 5px;"));
    return cap;
}

} // namespace

MoveInputView::MoveInputView(MoveInputViewModel& model, bool translucent, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* background = PanelBackground::filling(this, translucent, 14);
    auto* content = new QVBoxLayout(background);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);

    auto* header = new QWidget;
    header->setFixedHeight(headerHeight);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(18, 14, 18, 14);
    headerLayout->setSpacing(10);
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("moveField"));
    m_field->setPlaceholderText(QStringLiteral("Move to…"));
    m_field->setFrame(false);
    m_field->setFont(sized(m_field->font(), 17, QFont::DemiBold));
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"));
    m_field->installEventFilter(this);
    headerLayout->addWidget(m_field, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse"));
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setFont(sized(browse->font(), 12, QFont::Medium));
    browse->setFocusPolicy(Qt::NoFocus);
    browse->setStyleSheet(QStringLiteral(
        "QPushButton { color: rgba(255, 255, 255, 230); background: rgba(255, 255, 255, 15); "
        "border: 0.5px solid rgba(255, 255, 255, 31); border-radius: 6px; padding: 4px 10px; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 26); }"));
    headerLayout->addWidget(browse);
    headerLayout->addWidget(keycap(QStringLiteral("Super+B")));
    content->addWidget(header);

    m_rowDivider = divider();
    content->addWidget(m_rowDivider);
    m_rowBox = new QWidget;
    m_rowLayout = new QVBoxLayout(m_rowBox);
    m_rowLayout->setContentsMargins(8, 6, 8, 6);
    m_rowLayout->setSpacing(2);
    content->addWidget(m_rowBox);

    m_createDivider = divider();
    content->addWidget(m_createDivider);
    m_createRow = new QWidget;
    m_createRow->setFixedHeight(createHeight - 1);
    auto* create = new QHBoxLayout(m_createRow);
    create->setContentsMargins(14, 4, 14, 4);
    create->setSpacing(8);
    create->addWidget(keycap(QStringLiteral("Super+N")));
    auto* createLabel = new QLabel(QStringLiteral("Create"));
    createLabel->setFont(sized(createLabel->font(), 11, QFont::Medium));
    createLabel->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 150);"));
    create->addWidget(createLabel);
    m_createPath = new QLabel;
    m_createPath->setObjectName(QStringLiteral("createPath"));
    QFont mono = sized(QFont(QStringLiteral("monospace")), 11, QFont::DemiBold);
    mono.setStyleHint(QFont::Monospace);
    m_createPath->setFont(mono);
    m_createPath->setStyleSheet(QStringLiteral("color: white;"));
    create->addWidget(m_createPath, 1);
    content->addWidget(m_createRow);
    content->addStretch();
    m_createRow->setCursor(Qt::PointingHandCursor);
    m_createRow->installEventFilter(this);

    connect(browse, &QPushButton::clicked, this, [this] {
        if (m_actions.onBrowse)
            m_actions.onBrowse();
    });
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model.setQuery(text);
        if (m_actions.onQueryChanged)
            m_actions.onQueryChanged(text);
    });
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        if (m_actions.onSubmit)
            m_actions.onSubmit();
    });
    connect(&m_model, &MoveInputViewModel::changed, this, [this] { refresh(); });
    refresh();
}

bool MoveInputView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_createRow && event->type() == QEvent::MouseButtonRelease) {
        if (m_actions.onCreate)
            m_actions.onCreate();
        return true;
    }
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    // Super+letter would otherwise be typed into the field.
    const Qt::KeyboardModifiers modifiers =
        press->modifiers() &
        (Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (modifiers == Qt::MetaModifier && (press->key() == Qt::Key_N || press->key() == Qt::Key_B)) {
        const auto& action = press->key() == Qt::Key_N ? m_actions.onCreate : m_actions.onBrowse;
        if (action)
            action();
        return true;
    }
    switch (press->key()) {
    case Qt::Key_Escape:
        if (m_actions.onCancel)
            m_actions.onCancel();
        return true;
    case Qt::Key_Up:
        m_model.moveSelection(-1);
        return true;
    case Qt::Key_Down:
        m_model.moveSelection(1);
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void MoveInputView::refresh()
{
    if (m_field->text() != m_model.query())
        m_field->setText(m_model.query());
    // A row may be the one whose click led here: it goes once that is over.
    for (QWidget* row : m_rows) {
        m_rowLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QStringList paths = m_model.rowPaths();
    for (int i = 0; i < paths.size(); ++i) {
        auto* row = new BreadcrumbRow(m_model.breadcrumbSegments(paths[i]),
                                      i == m_model.selectedIndex(), [this, i] {
                                          m_model.setSelectedIndex(i);
                                          if (m_actions.onSubmit)
                                              m_actions.onSubmit();
                                      });
        row->setAccessibleName(m_model.displayPath(paths[i]));
        m_rowLayout->addWidget(row);
        m_rows.append(row);
    }
    // The field keeps the keyboard while the arrows move the highlight over
    // painted rows: a screen reader hears the highlighted folder in its name.
    const int selected = m_model.selectedIndex();
    const QString spoken = selected >= 0 && selected < paths.size()
                               ? QStringLiteral("Move to ") + m_model.displayPath(paths[selected])
                               : QStringLiteral("Move to folder");
    if (m_field->accessibleName() != spoken)
        m_field->setAccessibleName(spoken);
    m_rowDivider->setVisible(!paths.isEmpty());
    m_rowBox->setVisible(!paths.isEmpty());
    const auto folder = m_model.newFolderURL();
    const bool create = !m_model.showsSuggestions() && folder.has_value();
    m_createDivider->setVisible(create);
    m_createRow->setVisible(create);
    if (folder) {
        m_createPath->setText(m_model.displayPath(*folder));
        m_createRow->setAccessibleName(QStringLiteral("Create ") + m_createPath->text());
    }
}
