#pragma once
// The one window of the program: code view, output pane and progress bar on the left;
// device list, programming mode, product information, options, offline programming, read
// group and command buttons on the right. It owns the option values, the serial counter,
// the stored port index and the objects every operation works on, routes each command to
// its operation and applies what the operation's outcome says must change.

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "devices/device_catalogue.h"
#include "devices/device_selection.h"
#include "messages/message_catalogue.h"
#include "operations/operations.h"
#include "production/unit_attempt.h"
#include "security/security_words.h"
#include "settings/settings.h"

namespace Ui {
class MainDialog;
}

namespace kx {
class Clock;
namespace link {
class PortProvider;
class ProgrammerLink;
}  // namespace link
namespace image {
class CodeImage;
}
namespace sound {
class SoundPlayer;
}
}  // namespace kx

namespace kx::app {

class DeviceWatcher;
class UserDialogs;
class WindowOutput;
class HexFieldValidator;
class SerialValidator;

// What the window is built on; the program passes the real ones, tests their own.
struct WindowServices {
    link::PortProvider& ports;
    Clock& clock;
    UserDialogs& dialogs;
    std::string settingsPath;
    UiLanguage language = UiLanguage::English;
    // Serial devices coming and going; none, or one that is not Live: the window polls.
    DeviceWatcher* devices = nullptr;
    // The connection check while connected when no device watcher reports departures.
    int connectionPollMs = 2000;
    // How long devices must stay quiet after one appeared before the search runs: an
    // adapter's port may not take its settings at once, and more ports may follow.
    int deviceSettleMs = 1500;
    // Plays the completion tones; none: the window stays silent.
    sound::SoundPlayer* sound = nullptr;
};

class MainDialog final : public QDialog {
    Q_OBJECT

  public:
    // Opens the window up to the programmer search, which runs once the window is shown.
    explicit MainDialog(const WindowServices& services, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Every way of ending the window (close box, Escape, Enter) saves the settings first.
    void done(int result) override;

    // Searches the programmer now (the status button's command).
    void SearchProgrammer();

    // State the window owns, for the program and the tests.
    UiLanguage Language() const { return services_.language; }
    const WindowOutput& Output() const { return *output_; }
    const image::CodeImage& Image() const { return *image_; }
    security::SecurityWords& Words() { return words_; }
    std::uint32_t SerialCounter() const { return serial_; }
    unsigned StoredPortIndex() const { return storedPortIndex_; }
    const std::string& CodeViewText() const { return viewText_; }
    bool OperationRunning() const { return running_; }
    bool Searched() const { return searched_; }
    link::ProgrammerLink& Link() { return *link_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // --- opening, closing, settings (main_dialog.cpp) -----------------------------------
    void BuildWidgets();
    void ConnectCommands();
    void ApplySettings(const settings::Settings& s);
    settings::Settings TakeSettings() const;
    ops::OperationInputs TakeInputs() const;
    bool SaveSettings();
    // The hooks of a counting run: the number from the file's counter (or the typed one),
    // the advanced counter stored before the record goes out.
    std::optional<std::uint32_t> ReserveSerial(std::uint32_t shown);
    void ApplyRunSerial(const ops::RunOutcome& outcome, bool hex);
    // Before a run that advances the counter: says why the counter cannot be read or kept
    // in the settings file; false when Run may go on.
    bool RefuseCountingRun(const ops::OperationInputs& in);
    void PollConnection();
    void UpdatePolling();
    bool WatcherLive() const;
    // A serial device went away: is it the box?
    void OnDeviceDeparted();
    // A serial device appeared: while searching, search again once the devices settled.
    void OnDeviceArrived();
    void SearchAfterArrival();
    // Runs one operation with input blocked and the window painting; closes afterwards if
    // a close was asked for meanwhile.
    void RunOperation(const std::function<void()>& body);
    // A close asked for while an operation runs: remembered and announced in the pane.
    void DeferClose();

    // --- control rules (main_dialog_rules.cpp) ------------------------------------------
    void OnJtagOrSbwClicked();
    void OnBslClicked();
    void OnProtectClicked(bool ticked);
    void ApplyUseProductInfoRule();
    void OnBurnFuseClicked(bool ticked);
    void OnSerialStyleClicked(bool hex);
    void OnSerialEdited(const QString& text);
    void ApplyReadStyle(bool byDevice);
    void SetProductInfoControlsEnabled(bool on);
    void SelectDevice(int row);
    devices::DeviceControls CurrentDeviceControls() const;
    void ApplyDeviceControls(const devices::DeviceControls& c);
    void ShowSerial();
    void SetStatusCaption(Message message, bool enabled);
    const devices::DeviceRecord& SelectedDevice() const;

    // --- commands (main_dialog_commands.cpp) ------------------------------------------
    void LoadCodeFile();
    void SaveCodeView();
    void RunProgrammingCommand();
    void ReadCommand();
    void DownloadCommand();
    void UpdateFirmwareCommand();
    void VppCommand();
    void PasswordCommand();
    void AboutCommand();
    void HelpCommand();
    void ApplyDiscovery(const ops::DiscoveryOutcome& outcome);
    void EnterSearchingState();
    bool Searching() const;
    void SetCodeView(std::string text);
    // Appends the run's row to the production log, if one is set; says in the pane when not.
    void RecordRun(const ops::OperationInputs& in, const ops::RunOutcome& outcome,
                   const production::AttemptClock& clock);
    void CodeImageReady();

    WindowServices services_;
    std::unique_ptr<Ui::MainDialog> ui_;
    std::unique_ptr<link::ProgrammerLink> link_;
    std::unique_ptr<image::CodeImage> image_;
    security::SecurityWords words_;
    std::unique_ptr<WindowOutput> output_;
    std::unique_ptr<ops::OperationContext> ctx_;
    settings::IniDocument settingsDocument_;
    HexFieldValidator* infoAddressValidator_ = nullptr;
    HexFieldValidator* readAddressValidator_ = nullptr;
    HexFieldValidator* readLengthValidator_ = nullptr;
    SerialValidator* serialValidator_ = nullptr;
    QTimer pollTimer_;
    QTimer settleTimer_;  // from the last device arrival to the search it starts

    std::uint32_t serial_ = 0;        // the serial counter; the serial field is its view
    bool serialTyped_ = false;        // typed since the window last took the file's counter
    bool serialUnreadable_ = false;   // the file's counter could not be read, nothing typed yet
    std::uint16_t targetStatus_ = 0;  // of the last target reply
    std::uint16_t targetChipId_ = 0;
    unsigned storedPortIndex_ = 8;  // where discovery stopped; 8 when nothing answered
    std::string storedPortPath_;    // that port's path: reopenings use it, not the index
    std::uint32_t imageEnd_ = devices::kDefaultImageEnd;
    std::string viewText_;  // the code view's text, byte for byte
    // SHA-256 of the loaded file, or after a read or a vector edit of what Save would write.
    std::string imageSha256_;
    std::string productionLog_;  // the settings' production log; empty for none
    bool running_ = false;
    bool closeRequested_ = false;
    bool settingsSaved_ = false;
    bool searched_ = false;
    bool searchScheduled_ = false;
    bool departedDuringOperation_ = false;
    QString startNotice_;  // shown once the first search has reported
};

}  // namespace kx::app
