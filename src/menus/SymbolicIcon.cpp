// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/SymbolicIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// The file of a symbolic icon in the first icon folder that has it.
QString symbolicFile(const QString& name)
{
    static QHash<QString, QString> found;
    if (const auto it = found.constFind(name); it != found.constEnd())
        return *it;
    QString file;
    QStringList roots = QIcon::themeSearchPaths();
    roots << QStringLiteral("/usr/share/icons");
    for (const QString& root : std::as_const(roots)) {
        const QDir scalable(root + QStringLiteral("/Adwaita/scalable"));
        for (const QString& context : scalable.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString candidate = scalable.filePath(context + QLatin1Char('/') + name +
                                                        QStringLiteral("-symbolic.svg"));
            if (QFileInfo::exists(candidate)) {
                file = candidate;
                break;
            }
        }
        if (!file.isEmpty())
            break;
    }
    found.insert(name, file);
    return file;
}

// Renders the outline and fills it with one colour, so that the same file
// serves every surface.
class SymbolicIconEngine final : public QIconEngine {
public:
    SymbolicIconEngine(QString file, QColor tint) : m_file(std::move(file)), m_tint(tint) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, tinted(rect.size(), ratio, mode));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        return tinted(size, 1.0, mode);
    }
    QIconEngine* clone() const override { return new SymbolicIconEngine(m_file, m_tint); }
    QString key() const override { return QStringLiteral("vantle-symbolic"); }

private:
    QPixmap tinted(const QSize& size, qreal ratio, QIcon::Mode mode) const
    {
        QPixmap pixmap(size * ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        QSvgRenderer(m_file).render(&p, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QColor tint = m_tint;
        if (mode == QIcon::Disabled)
            tint.setAlphaF(tint.alphaF() * 0.4f);
        else if (mode == QIcon::Selected || mode == QIcon::Active)
            tint.setAlphaF(1.0f);
        p.fillRect(pixmap.rect(), tint);
        p.end();
        pixmap.setDevicePixelRatio(ratio);
        return pixmap;
    }

    QString m_file;
    QColor m_tint;
};

} // namespace

QIcon symbolicIcon(const QString& name, const QColor& tint)
{
    const QString file = symbolicFile(name);
    if (file.isEmpty())
        return QIcon::fromTheme(name);
    return QIcon(new SymbolicIconEngine(file, tint));
}
