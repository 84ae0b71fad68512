#pragma once
// Line edits sized for what they must show whole, whatever the font and style: a field's
// default width (17 'x') is far too wide for four hex digits and too narrow for a product
// name.

#include <QString>

class QLineEdit;

namespace kx::app {

// The width at which `field` shows `textWidth` pixels of text without scrolling.
int FieldWidthForText(const QLineEdit& field, int textWidth);

// The widest advance of any character of `chars` in `field`'s font.
int WidestCharacter(const QLineEdit& field, const QString& chars);

}  // namespace kx::app
