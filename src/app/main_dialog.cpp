// The main window: building it, opening it in order, the settings on open and close, the
// connection check while connected, the new search when a serial device appears, and the
// frame every operation runs in.

#include "app/main_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "app/device_watcher.h"
#include "app/field_validators.h"
#include "app/field_width.h"
#include "app/operation_scope.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "app/window_output.h"
#include "common/identification.h"
#include "image/code_image.h"
#include "link/programmer_link.h"
#include "operations/product_info.h"
#include "settings/settings_file.h"
#include "ui_main_dialog.h"

namespace kx::app {
namespace {

// Room for one rendered TI-TXT data line (47 characters) in the code view.
constexpr int kCodeViewColumns = 50;
constexpr int kCodeViewLines = 26;
constexpr int kPaneLines = 6;

// Wide enough for the longest name the record holds: 19 of the widest printable ASCII
// character, or nine Chinese characters and one more.
int ProductNameWidth(const QLineEdit& field) {
    QString ascii;
    for (char16_t c = u' '; c <= u'~'; ++c) ascii += QChar(c);
    const int widestAscii = WidestCharacter(field, ascii);
    const int chinese = field.fontMetrics().horizontalAdvance(QString(9, QChar(0x4E2D)));
    const int bytes = static_cast<int>(ops::kProductNameBytes);
    return FieldWidthForText(field, std::max(widestAscii * bytes, chinese + widestAscii));
}

}  // namespace

MainDialog::MainDialog(const WindowServices& services, QWidget* parent)
    : QDialog(parent),
      services_(services),
      ui_(std::make_unique<Ui::MainDialog>()),
      link_(std::make_unique<link::ProgrammerLink>(services.ports, services.clock)),
      image_(std::make_unique<image::CodeImage>()) {
    // 1. Controls with their start values.
    ui_->setupUi(this);
    output_ = std::make_unique<WindowOutput>(services_.language, services_.clock, *ui_->outputPane,
                                             *ui_->progressBar, services_.dialogs, *this,
                                             services_.sound);
    ctx_ = std::make_unique<ops::OperationContext>(
        ops::OperationContext{*link_, *output_, services_.clock, *image_, words_});
    BuildWidgets();
    ConnectCommands();
    // 2. The title.
    setWindowTitle(FromUtf8(kIdentification));
    // 3. and 4.: the About entry and the icon are set up in BuildWidgets.
    // 5. Every vector locked, the password of an erased chip.
    words_.Reset();
    // 6. The language came with the services; 7. the product-name limit is its validator.
    // 8. The settings, ending with the device list and the device selection.
    settings::LoadedSettings loaded =
        settings::LoadSettingsFile(services_.settingsPath, Language());
    settingsDocument_ = std::move(loaded.document);
    serialUnreadable_ = loaded.counter.state == settings::CounterState::Unreadable;
    ApplySettings(loaded.settings);
    productionLog_ =
        settings::ProductionLogPath(loaded.settings.productionLog, services_.settingsPath);
    if (serialUnreadable_) {
        startNotice_ = SayQ(Language(), Text::SerialCounterUnreadableTypeNext);
    }
    if (!loaded.error.empty()) {
        startNotice_ = SayQ(Language(), Text::SettingsUnreadableDefaultsUsed, {loaded.error});
    }
    connect(ui_->deviceList, &QComboBox::currentIndexChanged, this, &MainDialog::SelectDevice);
    // 9. No download before a programmer has answered.
    ui_->downloadButton->setEnabled(false);
    // 10. The search runs as soon as the window is on the screen (showEvent), so that the
    // user sees the window while the ports are tried.
    // 11. The focus starts in the code view.
    ui_->codeView->setFocus(Qt::OtherFocusReason);

    pollTimer_.setInterval(services_.connectionPollMs);
    connect(&pollTimer_, &QTimer::timeout, this, &MainDialog::PollConnection);
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(services_.deviceSettleMs);
    connect(&settleTimer_, &QTimer::timeout, this, &MainDialog::SearchAfterArrival);
    if (WatcherLive()) {
        connect(services_.devices, &DeviceWatcher::Arrived, this, &MainDialog::OnDeviceArrived);
        connect(services_.devices, &DeviceWatcher::Departed, this, &MainDialog::OnDeviceDeparted);
    }
}

MainDialog::~MainDialog() {
    pollTimer_.stop();
    settleTimer_.stop();
    // A window torn down without being closed (the application told to quit) still keeps
    // the user's choices.
    if (!settingsSaved_) {
        settingsSaved_ = true;
        SaveSettings();
    }
    link_->SetIdleHook({});
}

void MainDialog::BuildWidgets() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    const QIcon icon(QStringLiteral(":/icons/kxveldran.png"));
    setWindowIcon(icon);

    // Linux has no system menu to extend; the About entry sits in the window's own menu.
    const QString aboutEntry = QCoreApplication::translate("MainDialog", "关于 KX_VELDRAN(&A)...");
    if (!aboutEntry.isEmpty()) {
        auto* about = new QAction(aboutEntry, this);
        connect(about, &QAction::triggered, this, &MainDialog::AboutCommand);
        addAction(about);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    // The views are sized in characters, so no font or screen scale can clip a code line.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui_->codeView->setFont(fixed);
    const QFontMetrics fixedMetrics(fixed);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int frame = 2 * ui_->codeView->frameWidth() + 8;
    ui_->codeView->setMinimumSize(
        fixedMetrics.horizontalAdvance(QLatin1Char('0')) * kCodeViewColumns + scrollBar + frame,
        fixedMetrics.lineSpacing() * kCodeViewLines + frame);
    const QFontMetrics paneMetrics(ui_->outputPane->font());
    ui_->outputPane->setFixedHeight(paneMetrics.lineSpacing() * kPaneLines + frame);
    ui_->outputPane->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    // Edit limits and typing filters.
    ui_->productNameEdit->setMaxLength(static_cast<int>(ops::kProductNameBytes));
    ui_->productNameEdit->setMinimumWidth(ProductNameWidth(*ui_->productNameEdit));
    ui_->productNameEdit->setValidator(new ProductNameValidator(this));
    serialValidator_ = new SerialValidator(this);
    ui_->serialEdit->setValidator(serialValidator_);
    infoAddressValidator_ = new HexFieldValidator(4, this);
    ui_->infoAddressEdit->setValidator(infoAddressValidator_);
    readAddressValidator_ = new HexFieldValidator(4, this);
    ui_->readAddressEdit->setValidator(readAddressValidator_);
    readLengthValidator_ = new HexFieldValidator(4, this);
    ui_->readLengthEdit->setValidator(readLengthValidator_);
    ui_->countLimitEdit->setValidator(new DigitsValidator(5, this));
    for (QLineEdit* hex :
         {ui_->serialEdit, ui_->infoAddressEdit, ui_->readAddressEdit, ui_->readLengthEdit}) {
        UpperCaseWhileTyping(*hex);
    }
    ui_->countLimitEdit->installEventFilter(this);

    // Styles that open the list over the current item (Fusion, the desktop themes) ignore
    // its 16-row height and fill the screen with 100 devices; a plain drop-down keeps it.
    ui_->deviceList->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));

    // The VPP test has a button that nothing shows; its command still works.
    ui_->vppButton->setVisible(false);
    ui_->vppButton->setEnabled(false);

    SetStatusCaption(Message::Ready, false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainDialog::ConnectCommands() {
    connect(ui_->loadButton, &QPushButton::clicked, this, &MainDialog::LoadCodeFile);
    connect(ui_->saveAsButton, &QPushButton::clicked, this, &MainDialog::SaveCodeView);
    connect(ui_->runButton, &QPushButton::clicked, this, &MainDialog::RunProgrammingCommand);
    connect(ui_->helpButton, &QPushButton::clicked, this, &MainDialog::HelpCommand);
    connect(ui_->downloadButton, &QPushButton::clicked, this, &MainDialog::DownloadCommand);
    connect(ui_->updateFirmwareButton, &QPushButton::clicked, this,
            &MainDialog::UpdateFirmwareCommand);
    connect(ui_->passwordButton, &QPushButton::clicked, this, &MainDialog::PasswordCommand);
    connect(ui_->readButton, &QPushButton::clicked, this, &MainDialog::ReadCommand);
    connect(ui_->vppButton, &QPushButton::clicked, this, &MainDialog::VppCommand);
    connect(ui_->statusButton, &QPushButton::clicked, this, &MainDialog::SearchProgrammer);
    connect(ui_->aboutButton, &QPushButton::clicked, this, &MainDialog::AboutCommand);

    connect(ui_->protectInfoCheck, &QCheckBox::clicked, this, &MainDialog::OnProtectClicked);
    connect(ui_->useProductInfoCheck, &QCheckBox::clicked, this,
            &MainDialog::ApplyUseProductInfoRule);
    connect(ui_->burnFuseCheck, &QCheckBox::clicked, this, &MainDialog::OnBurnFuseClicked);
    connect(ui_->beepCheck, &QCheckBox::toggled, this, [this](bool on) { output_->SetBeepOn(on); });
    connect(ui_->jtagRadio, &QRadioButton::clicked, this, &MainDialog::OnJtagOrSbwClicked);
    connect(ui_->sbwRadio, &QRadioButton::clicked, this, &MainDialog::OnJtagOrSbwClicked);
    connect(ui_->bslRadio, &QRadioButton::clicked, this, &MainDialog::OnBslClicked);
    connect(ui_->decRadio, &QRadioButton::clicked, this, [this] { OnSerialStyleClicked(false); });
    connect(ui_->hexRadio, &QRadioButton::clicked, this, [this] { OnSerialStyleClicked(true); });
    connect(ui_->serialEdit, &QLineEdit::textEdited, this, &MainDialog::OnSerialEdited);
    connect(ui_->readByAddressRadio, &QRadioButton::clicked, this,
            [this] { ApplyReadStyle(false); });
    connect(ui_->readByDeviceRadio, &QRadioButton::clicked, this, [this] { ApplyReadStyle(true); });
}

void MainDialog::DeferClose() {
    // The operation owns the port and the image until it ends; close right after, and say
    // so, or the window seems to ignore the close and then vanishes on its own.
    if (closeRequested_) return;
    closeRequested_ = true;
    output_->AppendShownText(SayText(Language(), Text::WindowClosesAfterOperation));
}

void MainDialog::done(int result) {
    if (running_) {
        DeferClose();
        return;
    }
    pollTimer_.stop();
    settleTimer_.stop();
    if (!settingsSaved_) {
        settingsSaved_ = true;
        SaveSettings();
    }
    QDialog::done(result);
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (running_) {
        DeferClose();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // A focused push button takes Enter as its click; elsewhere Enter ends the window
        // (with the settings saved, see done()).
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) button->click();
            return;
        }
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->countLimitEdit && event->type() == QEvent::FocusIn) {
        // The hint comes each time the field is entered, not when a popup menu closes.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            output_->ShowMessage(Message::CountLimitHint);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!searchScheduled_) {
        searchScheduled_ = true;
        QTimer::singleShot(0, this, &MainDialog::SearchProgrammer);
    }
}

void MainDialog::SearchProgrammer() {
    RunOperation([this] { ApplyDiscovery(ops::FindProgrammer(*ctx_)); });
    searched_ = true;
    if (!startNotice_.isEmpty()) {
        output_->AppendShownText(ToUtf8(startNotice_));
        startNotice_.clear();
    }
}

void MainDialog::PollConnection() {
    if (running_ || !link_->IsOpen()) return;
    if (!ops::CheckConnection(*ctx_)) EnterSearchingState();
    UpdatePolling();
}

bool MainDialog::WatcherLive() const {
    return services_.devices != nullptr && services_.devices->Live();
}

void MainDialog::OnDeviceDeparted() {
    // An operation finds a lost port itself; one that ended well without using the port
    // again is checked after it (RunOperation).
    if (running_) {
        departedDuringOperation_ = true;
        return;
    }
    PollConnection();
}

void MainDialog::OnDeviceArrived() {
    // Each further arrival restarts the wait: an adapter may bring several ports at once.
    if (Searching()) settleTimer_.start();
}

void MainDialog::SearchAfterArrival() {
    if (!Searching() || !isVisible()) return;
    // Not under an operation or a dialog of ours (a file chooser, a question): try again later.
    const QWidget* modal = QApplication::activeModalWidget();
    if (running_ || (modal != nullptr && modal != this)) {
        settleTimer_.start();
        return;
    }
    SearchProgrammer();
}

void MainDialog::UpdatePolling() {
    // Departures are reported by the device watcher where there is one; else the port is
    // checked every connectionPollMs.
    const bool wanted =
        !running_ && link_->IsOpen() && services_.connectionPollMs > 0 && !WatcherLive();
    if (wanted && !pollTimer_.isActive()) pollTimer_.start();
    if (!wanted) pollTimer_.stop();
}

void MainDialog::RunOperation(const std::function<void()>& body) {
    if (running_) return;
    running_ = true;
    pollTimer_.stop();
    {
        OperationScope scope(*this, *link_, *output_);
        body();
    }
    running_ = false;
    if (departedDuringOperation_) {
        departedDuringOperation_ = false;
        PollConnection();
    }
    UpdatePolling();
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

}  // namespace kx::app
