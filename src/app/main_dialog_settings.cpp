// The main window's data exchange: settings applied while it opens, taken back when it
// closes, the choices handed to an operation, and the serial counter kept on disk.

#include "app/field_validators.h"
#include "app/main_dialog.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "app/window_output.h"
#include "link/programmer_link.h"
#include "settings/settings_file.h"
#include "settings/settings_text.h"
#include "ui_main_dialog.h"

namespace kx::app {

void MainDialog::ApplySettings(const settings::Settings& s) {
    ui_->autoIncrementCheck->setChecked(s.idIncrease);
    ui_->supplyPowerCheck->setChecked(s.supplyVcc);
    ui_->protectInfoCheck->setChecked(s.saveInfoFlash);
    ui_->eraseCheck->setChecked(s.erase);
    ui_->programCheck->setChecked(s.prog);
    ui_->verifyCheck->setChecked(s.verify);
    ui_->useProductInfoCheck->setChecked(s.productId);
    SetProductInfoControlsEnabled(s.productId);
    ui_->runAfterCheck->setChecked(s.run);
    ui_->soundCheck->setChecked(s.beep);
    output_->SetSoundOn(s.beep);
    ui_->productNameEdit->setText(FromUtf8(s.productName));
    serial_ = s.productNum;
    ui_->infoAddressEdit->setText(FromUtf8(settings::InfoAddrDisplayText(s.infoAddr)));

    const bool hex = s.productNumStyle == settings::SerialStyle::Hex;
    ui_->decRadio->setChecked(!hex);
    ui_->hexRadio->setChecked(hex);
    serialValidator_->SetHex(hex);
    ui_->serialEdit->setMaxLength(static_cast<int>(settings::SerialFieldLimit(s.productNumStyle)));
    ShowSerial();

    const bool byDevice = s.readStyle == settings::ReadStyle::ByDevice;
    ui_->readByAddressRadio->setChecked(!byDevice);
    ui_->readByDeviceRadio->setChecked(byDevice);
    ApplyReadStyle(byDevice);

    // The list is in catalogue order, so a list index is a catalogue row.
    ui_->deviceList->clear();
    for (const devices::DeviceRecord& device : devices::DeviceCatalogue()) {
        ui_->deviceList->addItem(FromUtf8(device.name));
    }
    const int row = s.device >= 0 && s.device < devices::kDeviceCount ? s.device : 0;
    ui_->deviceList->setCurrentIndex(row);
    SelectDevice(row);
}

settings::Settings MainDialog::TakeSettings() const {
    settings::Settings s;
    s.idIncrease = ui_->autoIncrementCheck->isChecked();
    s.supplyVcc = ui_->supplyPowerCheck->isChecked();
    s.saveInfoFlash = ui_->protectInfoCheck->isChecked();
    s.erase = ui_->eraseCheck->isChecked();
    s.prog = ui_->programCheck->isChecked();
    s.verify = ui_->verifyCheck->isChecked();
    s.productId = ui_->useProductInfoCheck->isChecked();
    s.run = ui_->runAfterCheck->isChecked();
    s.beep = ui_->soundCheck->isChecked();
    s.productName = settings::StorableProductName(ToUtf8(ui_->productNameEdit->text()));
    s.productNum = serial_;
    s.infoAddr = settings::InfoAddrFromText(ToUtf8(ui_->infoAddressEdit->text())).value_or(0);
    s.productNumStyle =
        ui_->decRadio->isChecked() ? settings::SerialStyle::Dec : settings::SerialStyle::Hex;
    s.readStyle = ui_->readByAddressRadio->isChecked() ? settings::ReadStyle::ByAddress
                                                       : settings::ReadStyle::ByDevice;
    s.device = std::max(ui_->deviceList->currentIndex(), 0);
    return s;
}

ops::OperationInputs MainDialog::TakeInputs() const {
    ops::OperationInputs in;
    in.deviceRow = std::max(ui_->deviceList->currentIndex(), 0);
    in.mode = ui_->sbwRadio->isChecked()   ? ops::ProgrammingMode::Sbw
              : ui_->bslRadio->isChecked() ? ops::ProgrammingMode::Bsl
                                           : ops::ProgrammingMode::Jtag;
    in.supplyPower = ui_->supplyPowerCheck->isChecked();
    in.erase = ui_->eraseCheck->isChecked();
    in.protectInfo = ui_->protectInfoCheck->isChecked();
    in.eraseSegA = ui_->eraseSegACheck->isChecked();
    in.program = ui_->programCheck->isChecked();
    in.verify = ui_->verifyCheck->isChecked();
    in.burnFuse = ui_->burnFuseCheck->isChecked();
    in.useProductInfo = ui_->useProductInfoCheck->isChecked();
    in.runAfter = ui_->runAfterCheck->isChecked();
    in.autoIncrement = ui_->autoIncrementCheck->isChecked();
    in.beep = ui_->soundCheck->isChecked();
    in.productName = ToUtf8(ui_->productNameEdit->text());
    in.serial = serial_;
    in.serialHex = ui_->hexRadio->isChecked();
    in.infoAddressText = ToUtf8(ui_->infoAddressEdit->text());
    in.readByDevice = ui_->readByDeviceRadio->isChecked();
    in.readAddressText = ToUtf8(ui_->readAddressEdit->text());
    in.readLengthText = ToUtf8(ui_->readLengthEdit->text());
    in.countLimitText = ToUtf8(ui_->countLimitEdit->text());
    return in;
}

bool MainDialog::SaveSettings() {
    const settings::Settings s = TakeSettings();
    link_->ClosePort();
    std::string error;
    if (settings::SaveSettingsFile(services_.settingsPath, settingsDocument_, s, &error)) {
        return true;
    }
    services_.dialogs.Tell(
        this,
        Say(Chinese(), "The settings could not be saved, so the next start will not have them.\n",
            "无法保存设置，下次启动时将不会保留本次的设置。\n") +
            FromUtf8(error),
        true);
    return false;
}

void MainDialog::PersistSerial() {
    // Written at once, so that a crash or a killed program cannot hand out a number twice.
    std::string error;
    if (settings::SaveProductNum(services_.settingsPath, serial_, &error)) return;
    output_->AppendShownText(
        ToUtf8(Say(Chinese(),
                   "Warning: the new serial number could not be saved; after a restart numbers "
                   "may repeat. ",
                   "警告：新的序列号无法保存，重新启动后序列号可能重复。")) +
        error + "\r\n");
}

}  // namespace kx::app
