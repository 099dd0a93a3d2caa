#include "SymbolIcons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace {

struct SymbolRow {
    QString name;
    QString themeFallback;
};

// The table as compiled into the resources; the SVGs sit beside it.
const QList<SymbolRow>& symbolTable() {
    static const QList<SymbolRow> rows = [] {
        QList<SymbolRow> out;
        QFile file(":/symbols/SymbolTable.tsv");
        if (!file.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() >= 3)
                out.append({QString::fromUtf8(fields[0]), QString::fromUtf8(fields[2]).trimmed()});
        }
        return out;
    }();
    return rows;
}

const SymbolRow* findRow(const QString& name) {
    for (const SymbolRow& row : symbolTable())
        if (row.name == name)
            return &row;
    return nullptr;
}

QString svgPath(const QString& name) { return ":/symbols/" + name + ".svg"; }

// Draws one SVG with currentColor replaced at paint time.
class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor tint) : name_(std::move(name)), tint_(std::move(tint)) {}

    QIconEngine* clone() const override { return new SymbolIconEngine(name_, tint_); }
    QString key() const override { return QStringLiteral("ZorviSymbol"); }
    QString iconName() override { return name_; }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QSvgRenderer renderer(svgFor(colorFor(mode)));
        renderer.render(painter, QRectF(rect));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // QIcon hands over the size in device pixels already.
    QPixmap scaledPixmap(const QSize& pixels, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const QColor color = colorFor(mode);
        const QString cacheKey = QStringLiteral("zorvi-symbol/%1/%2x%3/%4")
                                     .arg(name_)
                                     .arg(pixels.width())
                                     .arg(pixels.height())
                                     .arg(color.rgba(), 0, 16);
        QPixmap pm;
        if (!QPixmapCache::find(cacheKey, &pm)) {
            pm = QPixmap(pixels);
            pm.fill(Qt::transparent);
            QPainter painter(&pm);
            QSvgRenderer(svgFor(color)).render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
            painter.end();
            QPixmapCache::insert(cacheKey, pm);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

private:
    QColor colorFor(QIcon::Mode mode) const {
        const QPalette palette = QApplication::palette();
        if (mode == QIcon::Disabled)
            return palette.color(QPalette::Disabled, QPalette::WindowText);
        if (mode == QIcon::Selected)
            return palette.color(QPalette::HighlightedText);
        return tint_.isValid() ? tint_ : palette.color(QPalette::WindowText);
    }

    QByteArray svgFor(const QColor& color) const {
        static QHash<QString, QByteArray> sources;
        auto it = sources.find(name_);
        if (it == sources.end()) {
            QFile file(svgPath(name_));
            it = sources.insert(name_, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        QByteArray svg = *it;
        return svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    }

    QString name_;
    QColor tint_;
};

QIcon makeIcon(const QString& name, const QColor& tint) {
    const SymbolRow* row = findRow(name);
    if (!row)
        return {};
    if (QFile::exists(svgPath(name)))
        return QIcon(new SymbolIconEngine(name, tint));
    return QIcon::fromTheme(row->themeFallback);
}

} // namespace

QIcon symbolIcon(const QString& symbolName) { return makeIcon(symbolName, QColor()); }

QIcon symbolIcon(const QString& symbolName, const QColor& tint) { return makeIcon(symbolName, tint); }

QStringList symbolNames() {
    QStringList names;
    for (const SymbolRow& row : symbolTable())
        names.append(row.name);
    return names;
}
