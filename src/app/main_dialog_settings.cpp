// The main window's data exchange: settings applied while it opens, taken back when it
// closes, the choices handed to an operation, and the serial counter shared through the
// settings file.

#include "app/field_validators.h"
#include "app/main_dialog.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "app/window_output.h"
#include "link/programmer_link.h"
#include "operations/product_info.h"
#include "operations/settings_inputs.h"
#include "settings/serial_counter.h"
#include "settings/settings_file.h"
#include "settings/settings_text.h"
#include "ui_main_dialog.h"

namespace kx::app {

void MainDialog::ApplySettings(const settings::Settings& s) {
    ui_->autoIncrementCheck->setChecked(s.autoIncrement);
    ui_->supplyPowerCheck->setChecked(s.supplyPower);
    ui_->protectInfoCheck->setChecked(s.protectInfo);
    ui_->eraseCheck->setChecked(s.erase);
    ui_->programCheck->setChecked(s.program);
    ui_->verifyCheck->setChecked(s.verify);
    ui_->useProductInfoCheck->setChecked(s.useProductInfo);
    SetProductInfoControlsEnabled(s.useProductInfo);
    ui_->runAfterCheck->setChecked(s.runAfter);
    ui_->beepCheck->setChecked(s.beep);
    output_->SetBeepOn(s.beep);
    ui_->productNameEdit->setText(FromUtf8(s.productName));
    serial_ = s.serial;
    ui_->infoAddressEdit->setText(FromUtf8(settings::InfoAddressDisplayText(s.infoAddress)));

    const bool hex = s.serialStyle == settings::SerialStyle::Hex;
    ui_->decRadio->setChecked(!hex);
    ui_->hexRadio->setChecked(hex);
    serialValidator_->SetHex(hex);
    ui_->serialEdit->setMaxLength(static_cast<int>(settings::SerialFieldLimit(s.serialStyle)));
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
    const int row = ops::InputsFromSettings(s).deviceRow;
    ui_->deviceList->setCurrentIndex(row);
    SelectDevice(row);
}

settings::Settings MainDialog::TakeSettings() const {
    settings::Settings s;
    s.autoIncrement = ui_->autoIncrementCheck->isChecked();
    s.supplyPower = ui_->supplyPowerCheck->isChecked();
    s.protectInfo = ui_->protectInfoCheck->isChecked();
    s.erase = ui_->eraseCheck->isChecked();
    s.program = ui_->programCheck->isChecked();
    s.verify = ui_->verifyCheck->isChecked();
    s.useProductInfo = ui_->useProductInfoCheck->isChecked();
    s.runAfter = ui_->runAfterCheck->isChecked();
    s.beep = ui_->beepCheck->isChecked();
    s.productName = settings::StorableProductName(ToUtf8(ui_->productNameEdit->text()));
    s.serial = serial_;
    s.infoAddress = settings::InfoAddressFromText(ToUtf8(ui_->infoAddressEdit->text())).value_or(0);
    s.serialStyle =
        ui_->decRadio->isChecked() ? settings::SerialStyle::Dec : settings::SerialStyle::Hex;
    s.readStyle = ui_->readByAddressRadio->isChecked() ? settings::ReadStyle::ByAddress
                                                       : settings::ReadStyle::ByDevice;
    s.deviceRow = std::max(ui_->deviceList->currentIndex(), 0);
    return s;
}

ops::OperationInputs MainDialog::TakeInputs() const {
    // The name and the information address go as typed, not in their saved form.
    ops::OperationInputs in = ops::InputsFromSettings(TakeSettings());
    in.mode = ui_->sbwRadio->isChecked()   ? ops::ProgrammingMode::Sbw
              : ui_->bslRadio->isChecked() ? ops::ProgrammingMode::Bsl
                                           : ops::ProgrammingMode::Jtag;
    in.eraseSegA = ui_->eraseSegACheck->isChecked();
    in.burnFuse = ui_->burnFuseCheck->isChecked();
    in.productName = ToUtf8(ui_->productNameEdit->text());
    in.infoAddressText = ToUtf8(ui_->infoAddressEdit->text());
    in.readAddressText = ToUtf8(ui_->readAddressEdit->text());
    in.readLengthText = ToUtf8(ui_->readLengthEdit->text());
    in.countLimitText = ToUtf8(ui_->countLimitEdit->text());
    return in;
}

bool MainDialog::SaveSettings() {
    const settings::Settings s = TakeSettings();
    link_->ClosePort();
    // The counter in the file may have moved on meanwhile (the command line, another
    // window): it is kept unless the user typed a number here.
    std::string error;
    settings::CounterReading before;
    if (settings::SaveSettingsUnderLock(services_.settingsPath, s, serialTyped_, Language(),
                                        &before, &error)) {
        return true;
    }
    services_.dialogs.Tell(
        this,
        SayQ(Language(), Text::SettingsNotSavedNextStart, {error}),
        true);
    return false;
}

bool MainDialog::RefuseCountingRun(const ops::OperationInputs& in) {
    if (!in.autoIncrement || !in.useProductInfo) return false;
    if (!serialUnreadable_) {
        // Find out now, not after a chip got a number that cannot be recorded.
        const auto typed = serialTyped_ ? std::optional(in.serial) : std::nullopt;
        const settings::CounterResult check =
            settings::CheckCounterWritable(services_.settingsPath, typed, Language());
        if (check.ok) return false;
        if (typed || check.before.state != settings::CounterState::Unreadable) {
            output_->ShowText(SayText(Language(), Text::SerialNotRecordedNothingProgrammed) + " " +
                              check.error + "\r\n");
            return true;
        }
        serialUnreadable_ = true;  // spoilt since the window opened
        ShowSerial();
    }
    output_->ShowText(SayText(Language(), Text::SerialCounterUnreadableNothingProgrammed));
    return true;
}

std::optional<std::uint32_t> MainDialog::ReserveSerial(std::uint32_t shown) {
    const auto typed = serialTyped_ ? std::optional(shown) : std::nullopt;
    const settings::CounterResult r =
        settings::ReserveSerial(services_.settingsPath, typed, Language());
    const bool hex = ui_->hexRadio->isChecked();
    if (!r.ok) {
        if (!typed && r.before.state == settings::CounterState::Unreadable) {
            serialUnreadable_ = true;
            ShowSerial();
        }
        output_->AppendShownText(
            SayText(Language(), Text::SerialNotTakenRecordNotWritten, {r.error}));
        return std::nullopt;
    }
    if (!typed && r.number != shown) {
        const std::string from = ops::SerialText(shown, hex);
        const std::string to = ops::SerialText(r.number, hex);
        output_->AppendShownText(
            SayText(Language(), Text::SerialCounterMovedMeanwhile, {from, to}));
    }
    serialTyped_ = false;
    return r.number;
}

void MainDialog::ApplyRunSerial(const ops::RunOutcome& outcome, bool hex) {
    if (!outcome.serialAdvanced) return;
    serial_ = outcome.newSerial;
    ShowSerial();
    if (outcome.result == ops::Result::Succeeded) return;
    const std::string used = ops::SerialText(outcome.usedSerial, hex);
    output_->AppendShownText(SayText(Language(), Text::SerialGapAfterFailedRun, {used}) + "\r\n");
}

}  // namespace kx::app
