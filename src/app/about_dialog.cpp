#include "app/about_dialog.h"

#include <QIcon>

#include "app/qt_text.h"
#include "common/identification.h"
#include "common/program_version.h"
#include "ui_about_dialog.h"

namespace kx::app {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AboutDialog>()) {
    ui_->setupUi(this);
    const QIcon icon(QStringLiteral(":/icons/kxveldran.png"));
    setWindowIcon(icon);
    ui_->iconLabel->setPixmap(icon.pixmap(48, 48));
    ui_->identificationField->setText(FromUtf8(kIdentification));
    ui_->versionLine->setText(ui_->versionLine->text().arg(FromUtf8(kProgramVersion)));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

AboutDialog::~AboutDialog() = default;

}  // namespace kx::app
