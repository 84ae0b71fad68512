#include "app/password_dialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "app/field_width.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "image/password_file.h"
#include "ui_password_dialog.h"

namespace kx::app {
namespace {

using security::FieldGroup;

FileChoice PasswordFileChoice(const QString& proposedName) {
    // The password file's filter is Chinese in both languages; lower-case names are offered
    // too, as Linux file names are case-sensitive.
    return {SayQ(UiLanguage::Chinese, Text::PasswordFileFilter), proposedName,
            QStringLiteral("TXT")};
}

}  // namespace

PasswordDialog::PasswordDialog(security::SecurityWords& words, UserDialogs& dialogs,
                               QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::PasswordDialog>()),
      words_(words),
      dialogs_(dialogs) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/kxveldran.png")));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < image::kVectorCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        vectorFields_[slot] = findChild<QLineEdit*>(QStringLiteral("vectorField%1").arg(i));
        passwordFields_[slot] = findChild<QLineEdit*>(QStringLiteral("passwordField%1").arg(i));
        Q_ASSERT(vectorFields_[slot] && passwordFields_[slot]);
        for (QLineEdit* field : {vectorFields_[slot], passwordFields_[slot]}) {
            field->setMaxLength(static_cast<int>(security::kFieldMaxLength));
            // Four hex digits wide, not Qt's default: 32 default fields overflow a small
            // screen.
            const int digits = WidestCharacter(*field, QStringLiteral("0123456789ABCDEF"));
            field->setFixedWidth(
                FieldWidthForText(*field, digits * static_cast<int>(security::kFieldMaxLength)));
        }
        connect(vectorFields_[slot], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { OnEdited(FieldGroup::Vector, i, text); });
        connect(passwordFields_[slot], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { OnEdited(FieldGroup::Password, i, text); });
    }
    connect(ui_->okButton, &QPushButton::clicked, this, &PasswordDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &PasswordDialog::reject);
    connect(ui_->saveFileButton, &QPushButton::clicked, this, &PasswordDialog::SaveFile);
    connect(ui_->loadFileButton, &QPushButton::clicked, this, &PasswordDialog::LoadFile);

    state_ = security::OpenPasswordDialog(words_);
    ShowState();
}

PasswordDialog::~PasswordDialog() = default;

void PasswordDialog::ShowState() {
    for (std::size_t i = 0; i < vectorFields_.size(); ++i) {
        vectorFields_[i]->setText(FromUtf8(state_.vectorFields[i]));
        vectorFields_[i]->setEnabled(state_.vectorEditable[i]);
        passwordFields_[i]->setText(FromUtf8(state_.passwordFields[i]));
    }
}

void PasswordDialog::OnEdited(FieldGroup group, int index, const QString& typed) {
    QLineEdit* field = group == FieldGroup::Vector ? VectorField(index) : PasswordField(index);
    const auto slot = static_cast<std::size_t>(index);
    const std::string& before =
        group == FieldGroup::Vector ? state_.vectorFields[slot] : state_.passwordFields[slot];
    const QString previous = FromUtf8(before);
    security::EditField(state_, group, index, ToUtf8(typed));
    const QString kept = FromUtf8(group == FieldGroup::Vector ? state_.vectorFields[slot]
                                                              : state_.passwordFields[slot]);
    if (kept == typed) return;
    // A refused keystroke puts the cursor back where it was before it; an upper-cased
    // letter leaves it where the user is typing.
    int cursor = field->cursorPosition();
    if (kept == previous) cursor -= static_cast<int>(typed.size() - previous.size());
    field->setText(kept);
    field->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(kept.size())));
}

bool PasswordDialog::Commit() {
    if (const auto message = security::CommitDialogFields(state_, words_)) {
        dialogs_.Tell(this, FromUtf8(*message), true);
        return false;
    }
    return true;
}

void PasswordDialog::accept() {
    if (Commit()) QDialog::accept();
}

void PasswordDialog::SaveFile() {
    if (!Commit()) return;
    const auto path =
        dialogs_.ChooseSaveFile(this, PasswordFileChoice(FromUtf8(image::kPasswordFileName)));
    if (!path) return;
    if (const auto refusal =
            image::SavePasswordFile(QFile::encodeName(*path).toStdString(), words_.vectorTable)) {
        dialogs_.Tell(this, FromUtf8(refusal->message), true);
    }
}

void PasswordDialog::LoadFile() {
    const auto path = dialogs_.ChooseOpenFile(this, PasswordFileChoice(QStringLiteral("*.TXT")));
    if (!path) return;
    if (const auto refusal = security::LoadPasswordFileIntoDialog(
            QFile::encodeName(*path).toStdString(), state_, words_)) {
        dialogs_.Tell(this, FromUtf8(*refusal), true);
        return;
    }
    ShowState();
}

}  // namespace kx::app
