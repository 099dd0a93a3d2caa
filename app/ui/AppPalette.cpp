#include "AppPalette.h"

#include "Theme.h"

#include <QApplication>
#include <QStyle>

#include <utility>

namespace {

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

} // namespace

AppPalette::AppPalette(QObject* parent)
    : QObject(parent), desktopPalette_(QApplication::palette()), desktopStyle_(QApplication::style()->name()) {
    connect(&Theme::shared(), &Theme::changed, this, &AppPalette::apply);
    apply();
}

QPalette AppPalette::themed(bool dark) {
    using C = Theme::Color;
    const auto color = [dark](C c) { return Theme::color(c, dark); };
    const QColor window = color(dark ? C::surface : C::canvas);
    const QColor base = color(dark ? C::canvas : C::surface);
    const QColor button = color(dark ? C::border : C::surfaceSunken);
    QPalette p(button, window);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, color(dark ? C::surfaceRaised : C::surfaceSunken));
    p.setColor(QPalette::ToolTipBase, color(C::surfaceRaised));
    p.setColor(QPalette::ToolTipText, color(C::textPrimary));
    for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(text, color(C::textPrimary));
    p.setColor(QPalette::PlaceholderText, color(C::textTertiary));
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Mid, color(C::borderStrong));
    // White on the light mode's deeper accent reads in both modes.
    p.setColor(QPalette::Highlight, Theme::color(C::accent, false));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, color(C::accent));
    p.setColor(QPalette::LinkVisited, color(C::agentTint));
    for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, text, color(C::textTertiary));
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, color(C::borderStrong));
    return p;
}

void AppPalette::apply() {
    const bool dark = Theme::shared().isDark();
    if (dark != isDark(desktopPalette_)) {
        if (!overridden_)
            QApplication::setStyle("Fusion");
        overridden_ = true;
        QApplication::setPalette(themed(dark));
    } else if (std::exchange(overridden_, false)) {
        QApplication::setStyle(desktopStyle_);
        QApplication::setPalette(desktopPalette_);
    }
}
