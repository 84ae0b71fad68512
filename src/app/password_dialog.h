#pragma once
// The password and vector dialog: 16 vector fields (locked where the loaded code uses the
// vector) and 16 BSL password fields, with save and load of the password file. The rules
// live in security/password_dialog.h; this class only binds them to widgets.

#include <QDialog>
#include <array>
#include <memory>

#include "security/password_dialog.h"

namespace Ui {
class PasswordDialog;
}

class QLineEdit;

namespace kx::app {

class UserDialogs;

class PasswordDialog final : public QDialog {
    Q_OBJECT

  public:
    // Edits `words` directly: OK, a passing Save and an accepted Load commit to them.
    PasswordDialog(security::SecurityWords& words, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~PasswordDialog() override;

    // OK: closes only when every field holds four digits.
    void accept() override;

    QLineEdit* VectorField(int index) const {
        return vectorFields_.at(static_cast<std::size_t>(index));
    }
    QLineEdit* PasswordField(int index) const {
        return passwordFields_.at(static_cast<std::size_t>(index));
    }

  private:
    void ShowState();
    void OnEdited(security::FieldGroup group, int index, const QString& typed);
    // The commit of OK and Save; false (after telling the user) when a field fails.
    bool Commit();
    void SaveFile();
    void LoadFile();

    std::unique_ptr<Ui::PasswordDialog> ui_;
    security::SecurityWords& words_;
    UserDialogs& dialogs_;
    security::PasswordDialogState state_;
    std::array<QLineEdit*, image::kVectorCount> vectorFields_{};
    std::array<QLineEdit*, image::kVectorCount> passwordFields_{};
};

}  // namespace kx::app
