#pragma once
// Moving text between the core (UTF-8, CR LF line ends) and Qt widgets.

#include <QString>
#include <string>
#include <string_view>

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

// Texts that are the same in both languages of our own lines; picks by the message language.
inline QString Say(bool chinese, const char* english, const char* chineseText) {
    return QString::fromUtf8(chinese ? chineseText : english);
}

}  // namespace kx::app
