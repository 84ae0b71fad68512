#include "app/field_width.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace kx::app {
namespace {

// What QLineEdit keeps free on each side of its text, and the cursor past the last glyph.
constexpr int kTextSideMargin = 2;
constexpr int kCursorWidth = 1;

}  // namespace

int FieldWidthForText(const QLineEdit& field, int textWidth) {
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth =
        field.hasFrame() ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field)
                         : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QMargins text = field.textMargins();
    const QMargins contents = field.contentsMargins();
    const int inner = textWidth + kCursorWidth + 2 * kTextSideMargin + text.left() + text.right() +
                      contents.left() + contents.right();
    const QSize outer = field.style()->sizeFromContents(
        QStyle::CT_LineEdit, &option, QSize(inner, field.sizeHint().height()), &field);
    return outer.width();
}

int WidestCharacter(const QLineEdit& field, const QString& chars) {
    const QFontMetrics metrics(field.font());
    int widest = 0;
    for (const QChar c : chars) widest = std::max(widest, metrics.horizontalAdvance(c));
    return widest;
}

}  // namespace kx::app
