#pragma once
// The user manual as a document: Markdown text with the program's own pictures, a contents
// list, and A4 pages written as a PDF by Qt's own PDF writer.

#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <memory>
#include <vector>

#include "messages/message_catalogue.h"

class QTextTable;

namespace kx::manual {

struct Heading {
    int level = 0;  // 1 the title, 2 a chapter, 3 a section
    QString text;
};

struct Manual {
    std::unique_ptr<QTextDocument> document;
    std::vector<Heading> headings;   // in order, the generated contents heading not included
    QStringList pictures;            // every picture the text names, in order
    QStringList missingPictures;     // named, but not a readable image in the picture folder
    QTextTable* contents = nullptr;  // chapter and section, page; filled by WriteManualPdf
    int pages = 0;                   // of the PDF WriteManualPdf wrote last
};

// Reads the manual's Markdown and the pictures it names from `pictureFolder`, and puts a
// contents list (in `language`) before the first chapter.
Manual LoadManual(const QString& markdown, const QString& pictureFolder, UiLanguage language);

// Lays the manual out on A4 pages, fills in the contents' page numbers and writes the PDF
// with a page footer. False, with `error` set, when the file cannot be written.
bool WriteManualPdf(Manual& manual, const QString& pdfPath, UiLanguage language, QString* error);

// The family that gives Chinese text in the PDF its real characters; when it is missing,
// another CJK font is used and some characters come out as look-alike radicals when the
// text is copied or searched.
QString ChineseFontFamily();
bool ChineseFontAvailable();

}  // namespace kx::manual
