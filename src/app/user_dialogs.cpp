#include "app/user_dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>
#include <QUrl>

namespace kx::app {
namespace {

std::optional<QString> RunChooser(QWidget* parent, const FileChoice& choice, bool save,
                                  QString& lastFolder) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(choice.filter);
    dialog.setDefaultSuffix(choice.defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!lastFolder.isEmpty()) dialog.setDirectory(lastFolder);
    // A pattern as the proposed name only repeats the filter; a real name is offered.
    if (!choice.proposedName.contains(QLatin1Char('*'))) dialog.selectFile(choice.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(path).absolutePath();
    return path;
}

// Qt's own button texts are English; ours follow the window's language.
void NameButtons(QMessageBox& box) {
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) {
        ok->setText(QCoreApplication::translate("UserDialogs", "确定"));
    }
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) {
        cancel->setText(QCoreApplication::translate("UserDialogs", "取消"));
    }
}

// A narrow box has its title cut by the window manager ("KX_... RAN"): its title bar also
// holds the window's icon and buttons, in a bold and often larger font. The box is made wide
// enough for the title at 1.25 times the bold font and four title-bar buttons.
void MakeRoomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    const int title = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle());
    const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    grid->addItem(new QSpacerItem(title + buttons, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

std::optional<QString> QtUserDialogs::ChooseOpenFile(QWidget* parent, const FileChoice& choice) {
    return RunChooser(parent, choice, false, lastFolder_);
}

std::optional<QString> QtUserDialogs::ChooseSaveFile(QWidget* parent, const FileChoice& choice) {
    return RunChooser(parent, choice, true, lastFolder_);
}

bool QtUserDialogs::AskOkCancel(QWidget* parent, const QString& text, QuestionLook look) {
    QMessageBox box(look.exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(look.cancelIsDefault ? QMessageBox::Cancel : QMessageBox::Ok);
    NameButtons(box);
    MakeRoomForTitle(box);
    return box.exec() == QMessageBox::Ok;
}

void QtUserDialogs::Tell(QWidget* parent, const QString& text, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                    QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, parent);
    NameButtons(box);
    MakeRoomForTitle(box);
    box.exec();
}

bool QtUserDialogs::OpenDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace kx::app
