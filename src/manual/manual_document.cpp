#include "manual/manual_document.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>

#include "manual/manual_pictures.h"
#include "messages/text_catalogue.h"

namespace kx::manual {
namespace {

QString Say(Text text, UiLanguage language, std::initializer_list<std::string_view> args = {}) {
    const std::string said = SayText(language, text, args);
    return QString::fromUtf8(said.data(), static_cast<qsizetype>(said.size()));
}

// A4 with room for binding-free reading on screen and in print.
constexpr qreal kSideMarginMm = 20;
constexpr qreal kTopMarginMm = 18;
constexpr qreal kBottomMarginMm = 12;
constexpr int kResolution = 300;
// The text width in the layout's own units (1/96 inch) that pictures must fit.
constexpr qreal kTextWidthUnits = (210.0 - 2 * kSideMarginMm) / 25.4 * 96;
constexpr qreal kBodyPointSize = 10;

QFont BodyFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(kBodyPointSize);
    // No ligatures: "ﬁle" in the PDF's text would not be found by a search for "file".
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setFamilies({QFontInfo(font).family(), ChineseFontFamily()});
    return font;
}

// Code (commands, pane lines) in a fixed-pitch font on a grey ground, with the Chinese
// fallback as in the body; each chapter on a new page.
void StyleBlocks(QTextDocument& doc) {
    // The real family: a generic name such as "monospace" in a list of families is skipped.
    const QString fixed = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat blockFormat = block.blockFormat();
        const bool codeBlock = blockFormat.hasProperty(QTextFormat::BlockCodeFence);
        if (codeBlock) {
            blockFormat.setBackground(QColor(0xF0, 0xF0, 0xF0));
            cursor.setBlockFormat(blockFormat);
        } else if (blockFormat.headingLevel() == 2) {
            blockFormat.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(blockFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            const bool fixedPitch = codeBlock || format.fontFixedPitch();
            if (!fixedPitch && !format.hasProperty(QTextFormat::FontFamilies)) continue;
            format.setFontFixedPitch(fixedPitch);
            format.setFontFamilies(fixedPitch ? QStringList{fixed, ChineseFontFamily()}
                                              : format.fontFamilies().toStringList()
                                                    << ChineseFontFamily());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

void FrameTables(QTextDocument& doc) {
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr) continue;
        QTextTableFormat format = table->format();
        format.setBorder(0.5);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(QColor(0x80, 0x80, 0x80));
        format.setBorderCollapse(true);
        format.setCellPadding(4);
        format.setCellSpacing(0);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setHeaderRowCount(1);
        table->setFormat(format);
    }
}

// Loads every picture the text names and fits it to the text width; a picture alone in
// its paragraph is centred.
void LoadPictures(Manual& manual, const QString& pictureFolder) {
    QTextDocument& doc = *manual.document;
    struct Found {
        int position;
        QTextImageFormat format;
    };
    std::vector<Found> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                found.push_back({it.fragment().position(), format.toImageFormat()});
            }
        }
    }
    for (Found& picture : found) {
        const QString name = picture.format.name();
        manual.pictures << name;
        const QImage image(QDir(pictureFolder).filePath(name));
        if (image.isNull()) {
            manual.missingPictures << name;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        const qreal natural = qreal(image.width()) / kPicturePixelsPerPoint;
        const qreal width = std::min(natural, kTextWidthUnits);
        picture.format.setWidth(width);
        picture.format.setHeight(width * image.height() / image.width());
        QTextCursor cursor(&doc);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
        if (cursor.block().length() == 2) {  // the picture and the block's end
            QTextBlockFormat centred = cursor.blockFormat();
            centred.setAlignment(Qt::AlignHCenter);
            cursor.setBlockFormat(centred);
        }
    }
}

// A two-column list of the chapters and sections before the first chapter; the page
// numbers are filled in once the pages are laid out.
void InsertContents(Manual& manual, UiLanguage language) {
    QTextDocument& doc = *manual.document;
    QTextBlock firstChapter;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) {
            firstChapter = block;
            break;
        }
    }
    if (!firstChapter.isValid() || !firstChapter.previous().isValid()) return;

    QTextCursor cursor(firstChapter.previous());
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat titleFormat = firstChapter.blockFormat();
    titleFormat.setPageBreakPolicy(QTextFormat::PageBreak_Auto);  // right below the title
    cursor.insertBlock(titleFormat, firstChapter.begin().fragment().charFormat());
    cursor.insertText(Say(Text::ManualContents, language));

    std::vector<const Heading*> entries;
    for (const Heading& heading : manual.headings) {
        if (heading.level == 2 || heading.level == 3) entries.push_back(&heading);
    }
    QTextTableFormat tableFormat;
    tableFormat.setBorder(0);
    tableFormat.setCellPadding(1);
    tableFormat.setCellSpacing(0);
    tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                           QTextLength(QTextLength::PercentageLength, 10)});
    QTextTable* table = cursor.insertTable(static_cast<int>(entries.size()), 2, tableFormat);
    QTextCharFormat chapterFormat;
    chapterFormat.setFontWeight(QFont::Bold);
    for (int row = 0; row < table->rows(); ++row) {
        const Heading& heading = *entries[static_cast<std::size_t>(row)];
        QTextCursor cell = table->cellAt(row, 0).firstCursorPosition();
        QTextBlockFormat indent;
        indent.setIndent(heading.level - 2);
        cell.setBlockFormat(indent);
        cell.insertText(heading.text, heading.level == 2 ? chapterFormat : QTextCharFormat());
        QTextCursor page = table->cellAt(row, 1).firstCursorPosition();
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        page.setBlockFormat(right);
    }
    manual.contents = table;
}

}  // namespace

QString ChineseFontFamily() {
    // A TrueType font whose character map gives each glyph one code point; the CFF-based
    // CJK fonts map the Kangxi radicals onto the same glyphs, and the PDF text then reads
    // "⽤⼾" for "用户".
    return QStringLiteral("Droid Sans Fallback");
}

bool ChineseFontAvailable() {
    return QFontDatabase::hasFamily(ChineseFontFamily());
}

Manual LoadManual(const QString& markdown, const QString& pictureFolder, UiLanguage language) {
    Manual manual;
    manual.document = std::make_unique<QTextDocument>();
    QTextDocument& doc = *manual.document;
    doc.setDefaultFont(BodyFont());
    doc.setDocumentMargin(0);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level > 0) manual.headings.push_back({level, block.text()});
    }
    StyleBlocks(doc);
    FrameTables(doc);
    LoadPictures(manual, pictureFolder);
    InsertContents(manual, language);
    return manual;
}

bool WriteManualPdf(Manual& manual, const QString& pdfPath, UiLanguage language, QString* error) {
    QTextDocument& doc = *manual.document;
    QPdfWriter writer(pdfPath);
    writer.setResolution(kResolution);
    writer.setTitle(Say(Text::ManualTitle, language));
    writer.setCreator(QStringLiteral("kxveldran-manual"));
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(kSideMarginMm, kTopMarginMm, kSideMarginMm, kBottomMarginMm),
                    QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = QStringLiteral("cannot write ") + pdfPath;
        return false;
    }

    QFont footerFont = BodyFont();
    footerFont.setPointSizeF(kBodyPointSize - 2);
    const QFontMetricsF footerMetrics(footerFont, &writer);
    const qreal footerHeight = footerMetrics.lineSpacing() * 2;
    const QSizeF page(writer.width(), writer.height() - footerHeight);
    // Lay out afresh for the writer: lines measured for the screen would not fit its pages.
    // The writer goes with this function; the layout must not keep it.
    doc.documentLayout()->setPaintDevice(&writer);
    const auto forgetWriter = qScopeGuard([&doc] {
        doc.documentLayout()->setPaintDevice(nullptr);
        doc.markContentsDirty(0, doc.characterCount());
    });
    doc.setPageSize(page);
    doc.markContentsDirty(0, doc.characterCount());
    doc.pageCount();

    if (manual.contents != nullptr) {
        int row = 0;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            const int level = block.blockFormat().headingLevel();
            // The contents' own heading is not in its list.
            if ((level != 2 && level != 3) || block.text() == Say(Text::ManualContents, language)) {
                continue;
            }
            if (row >= manual.contents->rows()) break;
            // A chapter starts right at a page's top edge; rounding must not put it on the
            // page before.
            const qreal top = doc.documentLayout()->blockBoundingRect(block).top() + 1;
            const int number = static_cast<int>(std::floor(top / page.height())) + 1;
            const QTextTableCell cell = manual.contents->cellAt(row++, 1);
            QTextCursor text = cell.firstCursorPosition();
            text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            text.insertText(QString::number(number));
        }
    }

    const int pages = doc.pageCount();
    manual.pages = pages;
    for (int p = 0; p < pages; ++p) {
        if (p > 0) writer.newPage();
        painter.save();
        const QRectF view(0, p * page.height(), page.width(), page.height());
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        // A line that only touches the page edge belongs to the neighbouring page.
        context.clip = view.adjusted(0, 1, 0, -1);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();

        painter.setFont(footerFont);
        painter.setPen(QColor(0x60, 0x60, 0x60));
        const QRectF footer(0, page.height() + footerMetrics.lineSpacing() * 0.8, page.width(),
                            footerMetrics.lineSpacing());
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, Say(Text::ManualTitle, language));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                         Say(Text::ManualPageOf, language, {std::to_string(p + 1), std::to_string(pages)}));
    }
    if (!painter.end()) {
        *error = QStringLiteral("cannot finish ") + pdfPath;
        return false;
    }
    return true;
}

}  // namespace kx::manual
