// The user manual in both languages, rendered from its source with the window's own pictures
// and read back from the PDF: every chapter the tasks need, every picture, every message of the
// catalogue as searchable text, a filled contents list, and the built PDFs where Help looks.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextTable>
#include <algorithm>

#include "app/manual_location.h"
#include "manual/manual_document.h"
#include "manual/manual_pictures.h"

using namespace kx;

namespace {

// The chapters and the troubleshooting cases every manual has, in both languages.
struct Required {
    const char* english;
    const char* chinese;
};
constexpr Required kRequired[] = {
    {"The window at a glance", "主窗口概览"},
    {"Connect the box", "连接编程器"},
    {"Linux: the dialout group", "Linux：dialout 用户组"},
    {"Choose the chip", "选择芯片型号"},
    {"Load a code file", "装载烧录文件"},
    {"Program a chip", "烧录芯片"},
    {"Read a chip and save the code", "读取芯片并保存代码"},
    {"The password and vector dialog", "高级加密与 BSL 密码"},
    {"Product information and serial numbers", "产品信息与序列号"},
    {"The offline store", "离线存储"},
    {"Update the box's firmware", "升级编程器固件"},
    {"The command line for scripted lines", "命令行与生产线脚本"},
    {"Messages", "提示信息"},
    {"Troubleshooting", "故障排除"},
    {"No box found", "找不到编程器"},
    {"Wrong chip", "芯片型号不对"},
    {"Password refused", "密码被拒绝"},
};

QString Tag(UiLanguage language) {
    return language == UiLanguage::Chinese ? QStringLiteral("zh_CN") : QStringLiteral("en");
}

QString ReadSource(UiLanguage language) {
    QFile file(QStringLiteral(KX_MANUAL_SOURCE_DIR "/") + Tag(language) + QStringLiteral(".md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Line breaks and spaces fall where the layout puts them; compare without any.
QString Squeezed(QString text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.remove(space);
}

// The PDF's text as a reader's search or copy gets it.
QString PdfText(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-raw"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                     QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0) return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

int ImagesInPdf(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(file.readAll().count("/Subtype /Image"));
}

// The pieces of message n that the manual quotes: its lines, as a build without a download
// address shows them.
QStringList MessagePieces(int n, UiLanguage language) {
    const std::string_view raw = MessageText(static_cast<Message>(n), language);
    QString text = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    if (const std::string_view address = DownloadAddress(); !address.empty()) {
        const QString where = QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()));
        text.replace(QStringLiteral(" at ") + where, QString());
        text.replace(QStringLiteral("到") + where, QString());
    }
    QStringList pieces;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")))) {
        if (!Squeezed(line).isEmpty()) pieces << Squeezed(line);
    }
    return pieces;
}

}  // namespace

class ManualTest : public QObject {
    Q_OBJECT

  private slots:
    void rendersEveryChapterPictureAndMessage_data() {
        QTest::addColumn<UiLanguage>("language");
        QTest::newRow("en") << UiLanguage::English;
        QTest::newRow("zh_CN") << UiLanguage::Chinese;
    }

    void rendersEveryChapterPictureAndMessage() {
        QFETCH(UiLanguage, language);
        const bool chinese = language == UiLanguage::Chinese;
        const QString source = ReadSource(language);
        QVERIFY(!source.isEmpty());
        QVERIFY2(!chinese || manual::ChineseFontAvailable(),
                 "no font for searchable Chinese in the PDF (Debian: fonts-droid-fallback)");
        manual::Manual m = manual::LoadManual(
            source, QStringLiteral(KX_MANUAL_PICTURES_DIR "/") + Tag(language), language);

        QStringList headings;
        for (const manual::Heading& h : m.headings) headings << h.text;
        for (const Required& r : kRequired) {
            const QString wanted = QString::fromUtf8(chinese ? r.chinese : r.english);
            QVERIFY2(headings.contains(wanted), qPrintable(wanted));
        }
        // Both languages tell the same story: the same chapters and sections in the same order.
        const manual::Manual other = manual::LoadManual(
            ReadSource(chinese ? UiLanguage::English : UiLanguage::Chinese), QString(), language);
        QCOMPARE(m.headings.size(), other.headings.size());
        for (std::size_t i = 0; i < m.headings.size(); ++i)
            QCOMPARE(m.headings[i].level, other.headings[i].level);

        // Every picture the program makes of itself is shown, and found.
        QStringList pictures = m.pictures;
        pictures.sort();
        QStringList made = manual::PictureNames();
        made.sort();
        QCOMPARE(pictures, made);
        QVERIFY2(m.missingPictures.isEmpty(), qPrintable(m.missingPictures.join(' ')));

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("manual.pdf"));
        QString error;
        QVERIFY2(manual::WriteManualPdf(m, pdf, language, &error), qPrintable(error));
        QCOMPARE(ImagesInPdf(pdf), made.size());
        const QString text = Squeezed(PdfText(pdf));
        QVERIFY2(!text.isEmpty(), "no text from pdftotext (Debian: poppler-utils)");
        for (const QString& heading : headings)
            QVERIFY2(text.contains(Squeezed(heading)), qPrintable(heading));
        // Every message can be looked up, in the PDF's real characters (a font that maps
        // glyphs to look-alike radicals fails here).
        for (int n = 0; n < kMessageCount; ++n) {
            for (const QString& piece : MessagePieces(n, language)) {
                QVERIFY2(text.contains(piece),
                         qPrintable(QStringLiteral("message %1: %2").arg(n).arg(piece)));
            }
        }

        // The contents list has a page for each entry, in order, within the document.
        QVERIFY(m.contents != nullptr);
        QCOMPARE(m.contents->rows(), static_cast<int>(std::count_if(
                                         m.headings.begin(), m.headings.end(), [](const auto& h) {
                                             return h.level == 2 || h.level == 3;
                                         })));
        int previous = 1;
        for (int row = 0; row < m.contents->rows(); ++row) {
            bool number = false;
            const int page =
                m.contents->cellAt(row, 1).firstCursorPosition().block().text().toInt(&number);
            QVERIFY2(number && page >= previous && page <= m.pages,
                     qPrintable(QStringLiteral("row %1: page %2").arg(row).arg(page)));
            previous = page;
        }

        // The build put this manual where Help looks first, beside the window's program.
        const QString built = app::FindManual(QStringLiteral(KX_WINDOW_PROGRAM_DIR), language);
        QCOMPARE(built, QStringLiteral(KX_WINDOW_PROGRAM_DIR "/") + app::ManualFileName(language));
        QCOMPARE(Squeezed(PdfText(built)), text);
    }

    // A manual whose picture is missing says so instead of printing an empty frame.
    void missingPictureIsNamed() {
        const manual::Manual m =
            manual::LoadManual(QStringLiteral("# T\n\n## A\n\n![x](nowhere.png)\n"),
                               QStringLiteral("/nonexistent"), UiLanguage::English);
        QCOMPARE(m.missingPictures, QStringList(QStringLiteral("nowhere.png")));
    }
};

QTEST_MAIN(ManualTest)
#include "manual_test.moc"
