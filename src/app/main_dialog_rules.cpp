// The main window's control rules: programming mode, the information-flash options, the
// serial number style, the read style and what choosing a device changes.

#include "app/field_validators.h"
#include "app/main_dialog.h"
#include "app/qt_text.h"
#include "app/window_output.h"
#include "operations/product_info.h"
#include "settings/settings_text.h"
#include "ui_main_dialog.h"

namespace kx::app {
namespace {

devices::RadioChoice RadioState(const QRadioButton& radio) {
    return {.enabled = radio.isEnabled(), .selected = radio.isChecked()};
}

devices::CheckChoice CheckState(const QCheckBox& box) {
    return {.enabled = box.isEnabled(), .shown = !box.isHidden(), .on = box.isChecked()};
}

void ApplyCheck(QCheckBox& box, const devices::CheckChoice& c) {
    box.setChecked(c.on);
    box.setEnabled(c.enabled);
    box.setVisible(c.shown);
}

}  // namespace

const devices::DeviceRecord& MainDialog::SelectedDevice() const {
    return devices::DeviceAt(ui_->deviceList->currentIndex());
}

void MainDialog::OnJtagOrSbwClicked() {
    ui_->burnFuseCheck->setChecked(false);
    ui_->burnFuseCheck->setEnabled(true);
}

void MainDialog::OnBslClicked() {
    // The loader cannot burn the fuse, and a wrong password may erase the whole chip.
    ui_->burnFuseCheck->setChecked(false);
    ui_->burnFuseCheck->setEnabled(false);
    output_->ShowMessage(Message::BslEraseWarning);
}

void MainDialog::OnProtectClicked(bool ticked) {
    if (ticked) {
        // Protecting the information flash excludes erasing segment A and writing the
        // product information into it.
        ui_->eraseSegACheck->setChecked(false);
        ui_->eraseSegACheck->setEnabled(false);
        ui_->useProductInfoCheck->setChecked(false);
        ApplyUseProductInfoRule();
        return;
    }
    ui_->eraseSegACheck->setChecked(true);
    if (SelectedDevice().segAEraseChoice) {
        ui_->eraseSegACheck->setEnabled(true);
        ui_->eraseSegACheck->setVisible(true);
    }
}

void MainDialog::ApplyUseProductInfoRule() {
    if (!ui_->useProductInfoCheck->isChecked()) {
        SetProductInfoControlsEnabled(false);
        return;
    }
    SetProductInfoControlsEnabled(true);
    ui_->protectInfoCheck->setChecked(false);
    if (SelectedDevice().segAEraseChoice) {
        ui_->eraseSegACheck->setEnabled(true);
        ui_->eraseSegACheck->setVisible(true);
    }
}

void MainDialog::SetProductInfoControlsEnabled(bool on) {
    for (QWidget* w :
         {static_cast<QWidget*>(ui_->autoIncrementCheck),
          static_cast<QWidget*>(ui_->productNameEdit), static_cast<QWidget*>(ui_->serialEdit),
          static_cast<QWidget*>(ui_->infoAddressEdit), static_cast<QWidget*>(ui_->decRadio),
          static_cast<QWidget*>(ui_->hexRadio)}) {
        w->setEnabled(on);
    }
}

void MainDialog::OnBurnFuseClicked(bool ticked) {
    if (ticked && !output_->ConfirmMessage(Message::ConfirmFuse)) {
        ui_->burnFuseCheck->setChecked(false);
    }
}

void MainDialog::OnSerialStyleClicked(bool hex) {
    const auto style = hex ? settings::SerialStyle::Hex : settings::SerialStyle::Dec;
    serialValidator_->SetHex(hex);
    ui_->serialEdit->setMaxLength(static_cast<int>(settings::SerialFieldLimit(style)));
    ShowSerial();
}

void MainDialog::OnSerialEdited(const QString& text) {
    // The validator has already refused anything that is not a number in the style.
    if (const auto value = ops::ParseSerialText(ToUtf8(text), ui_->hexRadio->isChecked())) {
        serial_ = *value;
        serialTyped_ = true;
        serialUnreadable_ = false;
    }
}

void MainDialog::ShowSerial() {
    const auto style =
        ui_->hexRadio->isChecked() ? settings::SerialStyle::Hex : settings::SerialStyle::Dec;
    // An unreadable counter shows as nothing rather than as a number it is not.
    ui_->serialEdit->setText(
        serialUnreadable_ ? QString() : FromUtf8(settings::SerialDisplayText(serial_, style)));
}

void MainDialog::ApplyReadStyle(bool byDevice) {
    ui_->readAddressEdit->setEnabled(!byDevice);
    ui_->readLengthEdit->setEnabled(!byDevice);
}

devices::DeviceControls MainDialog::CurrentDeviceControls() const {
    return {.jtag = RadioState(*ui_->jtagRadio),
            .sbw = RadioState(*ui_->sbwRadio),
            .bsl = RadioState(*ui_->bslRadio),
            .burnFuse = CheckState(*ui_->burnFuseCheck),
            .eraseSegA = CheckState(*ui_->eraseSegACheck)};
}

void MainDialog::ApplyDeviceControls(const devices::DeviceControls& c) {
    // A selection may leave no mode selected, which exclusive radios would not allow.
    QRadioButton* radios[] = {ui_->jtagRadio, ui_->sbwRadio, ui_->bslRadio};
    const devices::RadioChoice* choices[] = {&c.jtag, &c.sbw, &c.bsl};
    for (QRadioButton* radio : radios) radio->setAutoExclusive(false);
    for (std::size_t i = 0; i < 3; ++i) {
        radios[i]->setChecked(choices[i]->selected);
        radios[i]->setEnabled(choices[i]->enabled);
    }
    for (QRadioButton* radio : radios) radio->setAutoExclusive(true);
    ApplyCheck(*ui_->burnFuseCheck, c.burnFuse);
    ApplyCheck(*ui_->eraseSegACheck, c.eraseSegA);
}

void MainDialog::SelectDevice(int row) {
    const devices::DeviceSelection selection = devices::SelectDevice(row, CurrentDeviceControls());
    output_->ShowText(selection.description);
    ApplyDeviceControls(selection.controls);
    const auto digits = static_cast<std::size_t>(selection.addressDigits);
    readAddressValidator_->SetMaxLength(digits);
    readLengthValidator_->SetMaxLength(digits);
    ui_->readAddressEdit->setMaxLength(selection.addressDigits);
    ui_->readLengthEdit->setMaxLength(selection.addressDigits);
    ui_->readAddressEdit->setText(FromUtf8(selection.readAddressText));
    ui_->readLengthEdit->setText(FromUtf8(selection.readLengthText));
    imageEnd_ = selection.imageEnd;
}

void MainDialog::SetStatusCaption(Message message, bool enabled) {
    ui_->statusButton->setText(FromUtf8(MessageText(message, services_.language)));
    ui_->statusButton->setEnabled(enabled);
}

}  // namespace kx::app
