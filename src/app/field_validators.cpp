#include "app/field_validators.h"

#include <QLineEdit>

#include "app/qt_text.h"
#include "operations/product_info.h"

namespace kx::app {

// Validators leave the text as it is: Qt also runs them on texts the program sets, and the
// information address is shown in lower case until the user types into it.
QValidator::State HexFieldValidator::validate(QString& input, int& /*pos*/) const {
    return ops::FilterHexField(ToUtf8(input), maxLength_) ? Acceptable : Invalid;
}

QValidator::State SerialValidator::validate(QString& input, int& /*pos*/) const {
    return ops::ParseSerialText(ToUtf8(input), hex_) ? Acceptable : Invalid;
}

QValidator::State ProductNameValidator::validate(QString& input, int& /*pos*/) const {
    return ops::ProductNameFits(ToUtf8(input)) ? Acceptable : Invalid;
}

QValidator::State DigitsValidator::validate(QString& input, int& /*pos*/) const {
    if (static_cast<std::size_t>(input.size()) > maxLength_) return Invalid;
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
    }
    return Acceptable;
}

void UpperCaseWhileTyping(QLineEdit& edit) {
    QObject::connect(&edit, &QLineEdit::textEdited, &edit, [&edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = edit.cursorPosition();
        edit.setText(upper);
        edit.setCursorPosition(cursor);
    });
}

}  // namespace kx::app
