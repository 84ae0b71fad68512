#pragma once
// Moving text between the core (UTF-8, CR LF line ends) and Qt widgets.

#include <QString>
#include <string>
#include <initializer_list>
#include <string_view>

#include "messages/text_catalogue.h"

namespace kx::app {

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// Text for a plain-text widget: CR LF and lone CR become one line break, so the widget
// does not show an extra empty line or a stray glyph for the CR.
inline QString ViewText(std::string_view text) {
    QString shown = FromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// A row of the text table in `language`, for a widget.
inline QString SayQ(UiLanguage language, Text text,
                    std::initializer_list<std::string_view> args = {}) {
    return FromUtf8(SayText(language, text, args));
}

}  // namespace kx::app
