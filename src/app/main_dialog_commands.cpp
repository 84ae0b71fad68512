// The main window's commands: each runs its operation and applies what the outcome says
// must change in the window.

#include <QCoreApplication>
#include <QFile>
#include <variant>

#include "app/about_dialog.h"
#include "app/main_dialog.h"
#include "app/manual_location.h"
#include "app/password_dialog.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "app/window_output.h"
#include "common/identification.h"
#include "common/sha256.h"
#include "image/code_image.h"
#include "image/load_report.h"
#include "image/titxt_reader.h"
#include "image/titxt_writer.h"
#include "link/port_paths.h"
#include "link/programmer_link.h"
#include "production/run_attempt.h"
#include "security/vector_image.h"
#include "settings/serial_counter.h"
#include "ui_main_dialog.h"

namespace kx::app {
namespace {

constexpr const char* kReadTitlePrefix = "Code1.txt - ";

FileChoice CodeFileChoice(const char* proposedName) {
    // Linux file names are case-sensitive, so the lower-case extension is offered as well.
    return {SayQ(UiLanguage::English, Text::CodeFileFilter), QString::fromUtf8(proposedName),
            QStringLiteral("TXT")};
}

std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The digest of the file Save would write from `viewText`: an image that no longer is the
// loaded file is still named by the bytes one can keep of it.
std::string ViewDigest(const std::string& viewText) {
    const std::string bytes = image::ViewTextFileBytes(viewText);
    return Sha256Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

}  // namespace

void MainDialog::SetCodeView(std::string text) {
    viewText_ = std::move(text);
    ui_->codeView->setPlainText(ViewText(viewText_));
}

void MainDialog::CodeImageReady() {
    ui_->runButton->setEnabled(true);
    ui_->saveAsButton->setEnabled(true);
    if (link_->IsOpen()) ui_->downloadButton->setEnabled(true);
}

void MainDialog::EnterSearchingState() {
    SetStatusCaption(Message::Searching, true);
}

bool MainDialog::Searching() const {
    // The status button offers a new search exactly while no box is connected.
    return ui_->statusButton->isEnabled();
}

void MainDialog::ApplyDiscovery(const ops::DiscoveryOutcome& outcome) {
    storedPortIndex_ = outcome.portIndex;
    storedPortPath_ = outcome.portPath;
    if (outcome.result != ops::Result::Succeeded) {
        EnterSearchingState();
        bool anyPort = false;
        for (unsigned i = 0; i < link::kPortCount; ++i) anyPort |= !link_->PortName(i).empty();
        if (!anyPort) {
            output_->AppendShownText(SayText(Language(), Text::NoSerialPortNameItInEnvironment));
        }
        return;
    }
    SetStatusCaption(Message::Ready, false);
    ui_->downloadButton->setEnabled(true);
    if (outcome.firmwareOlder) ui_->updateFirmwareButton->setEnabled(true);
}

void MainDialog::LoadCodeFile() {
    const auto path = services_.dialogs.ChooseOpenFile(this, CodeFileChoice("*.TXT"));
    if (!path) return;
    image::TiTxtResult result = image::LoadTiTxtFile(FileSystemPath(*path));
    if (const auto* refusal = std::get_if<image::TiTxtRefusal>(&result)) {
        // Image, code view and title stay as they were.
        image::ReportRefusal(*output_, *refusal);
        return;
    }
    image::TiTxtLoad& load = std::get<image::TiTxtLoad>(result);
    *image_ = *load.image;
    imageSha256_ = load.fileSha256;
    security::TakeLoadedVectors(words_, load.vectors);
    SetCodeView(std::move(load.viewText));
    setWindowTitle(FromUtf8(image::WindowTitle(ToUtf8(*path))));
    CodeImageReady();
    image::ReportLoad(*output_, ToUtf8(*path), load.byteCount);
    output_->ShowPending();
}

void MainDialog::SaveCodeView() {
    const auto path = services_.dialogs.ChooseSaveFile(this, CodeFileChoice("Code1.TXT"));
    if (!path) return;
    std::string error;
    if (!image::SaveViewText(FileSystemPath(*path), viewText_, services_.language, &error)) {
        services_.dialogs.Tell(this, FromUtf8(error), true);
    }
}

void MainDialog::RunProgrammingCommand() {
    ops::OperationInputs in = TakeInputs();
    if (RefuseCountingRun(in)) return;
    in.reserveSerial = [this](std::uint32_t shown) { return ReserveSerial(shown); };
    in.releaseSerial = [this](std::uint32_t number) {
        settings::ReleaseSerial(services_.settingsPath, number);
    };
    RunOperation([this, &in] {
        const production::AttemptClock clock;
        const ops::RunOutcome outcome = ops::RunProgramming(*ctx_, in);
        if (outcome.result == ops::Result::ConnectionLost) EnterSearchingState();
        targetStatus_ = outcome.targetStatus;
        targetChipId_ = outcome.targetChipId;
        ApplyRunSerial(outcome, in.serialHex);
        RecordRun(in, outcome, clock);
    });
}

void MainDialog::RecordRun(const ops::OperationInputs& in, const ops::RunOutcome& outcome,
                           const production::AttemptClock& clock) {
    if (productionLog_.empty()) return;
    production::UnitAttempt unit = production::AttemptOfRun(in, outcome);
    clock.Stamp(unit);
    unit.port = storedPortPath_;
    unit.imageSha256 = imageSha256_;
    const auto why = production::RecordUnitAttempt(productionLog_, unit, Language());
    if (!why) return;
    output_->AppendShownText(*why + "\r\n" + SayText(Language(), Text::ProductionLogRowMissing) +
                             "\r\n");
}

void MainDialog::ReadCommand() {
    const ops::OperationInputs in = TakeInputs();
    RunOperation([this, &in] {
        const ops::ReadOutcome outcome = ops::ReadTarget(*ctx_, in);
        if (outcome.result == ops::Result::ConnectionLost) EnterSearchingState();
        targetStatus_ = outcome.targetStatus;
        targetChipId_ = outcome.targetChipId;
        // Otherwise image, view, title and buttons stay as they were.
        if (outcome.result != ops::Result::Succeeded) return;
        SetCodeView(image::RenderImageText(*image_, imageEnd_));
        imageSha256_ = ViewDigest(viewText_);
        setWindowTitle(QString::fromUtf8(kReadTitlePrefix) + FromUtf8(kIdentification));
        CodeImageReady();
    });
}

void MainDialog::DownloadCommand() {
    const ops::OperationInputs in = TakeInputs();
    RunOperation([this, &in] {
        if (ops::DownloadOffline(*ctx_, in) == ops::Result::ConnectionLost) EnterSearchingState();
    });
}

void MainDialog::UpdateFirmwareCommand() {
    const ops::OperationInputs in = TakeInputs();
    RunOperation([this, &in] {
        const ops::UpdateOutcome outcome = ops::UpdateFirmware(*ctx_, in, storedPortPath_);
        if (outcome.result == ops::Result::Succeeded) {
            ui_->updateFirmwareButton->setEnabled(false);
        }
        // Without an open port the status button must offer a new search, or the window
        // could never reach the box again.
        if (outcome.result == ops::Result::ConnectionLost || !link_->IsOpen()) {
            EnterSearchingState();
        }
    });
}

void MainDialog::VppCommand() {
    RunOperation([this] { ops::VppTest(*ctx_); });
}

void MainDialog::PasswordCommand() {
    PasswordDialog dialog(words_, services_.dialogs, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The edited vectors go into the image, so every chip programmed from it gets them.
    security::WriteVectorTable(words_.vectorTable, *image_);
    // The whole image, as a load shows it: data above the selected device stays in the view
    // and so in a later Save.
    SetCodeView(image::RenderImageText(*image_, image::kImageSize));
    imageSha256_ = ViewDigest(viewText_);
    ui_->saveAsButton->setEnabled(true);
}

void MainDialog::AboutCommand() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainDialog::HelpCommand() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString manual = FindManual(programFolder, services_.language);
    // A Help button that does nothing looks broken; say where the manual should be.
    if (manual.isEmpty()) {
        const QString folders = ManualFolders(programFolder).join(QLatin1Char('\n'));
        services_.dialogs.Tell(this,
                               SayQ(Language(), Text::ManualNotFound,
                                    {ToUtf8(ManualFileName(services_.language)), ToUtf8(folders)}),
                               true);
        return;
    }
    if (!services_.dialogs.OpenDocument(manual)) {
        services_.dialogs.Tell(this, SayQ(Language(), Text::ManualNotOpened, {ToUtf8(manual)}),
                               true);
    }
}

}  // namespace kx::app
