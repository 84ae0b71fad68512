#pragma once
// Everything the windows ask the user or the desktop for goes through this interface, so
// that tests can answer file choosers and message boxes without a person at the screen.

#include <QString>
#include <optional>

class QWidget;

namespace kx::app {

// Caption of every message box of the program.
inline constexpr const char* kApplicationTitle = "KX_VELDRAN";

struct FileChoice {
    QString filter;         // one "label (patterns)" entry
    QString proposedName;   // file name offered first ("Code1.TXT"), or a pattern ("*.TXT")
    QString defaultSuffix;  // appended to a name typed without extension
};

// How a question is shown: with the warning icon, and whether Enter answers Cancel (for
// questions before something that cannot be undone).
struct QuestionLook {
    bool exclamation = false;
    bool cancelIsDefault = false;
};

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;

    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) = 0;
    // The chosen file; the chooser itself asks before an existing file is replaced.
    virtual std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) = 0;
    // OK/Cancel question; true for OK.
    virtual bool AskOkCancel(QWidget* parent, const QString& text, QuestionLook look) = 0;
    // A message with an OK button.
    virtual void Tell(QWidget* parent, const QString& text, bool warning) = 0;
    // Opens a document with the desktop's default program; false when none took it.
    virtual bool OpenDocument(const QString& path) = 0;
};

// The real dialogs: QFileDialog, QMessageBox and QDesktopServices.
class QtUserDialogs final : public UserDialogs {
  public:
    std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) override;
    std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) override;
    bool AskOkCancel(QWidget* parent, const QString& text, QuestionLook look) override;
    void Tell(QWidget* parent, const QString& text, bool warning) override;
    bool OpenDocument(const QString& path) override;

  private:
    QString lastFolder_;  // the next chooser starts where the last one ended
};

}  // namespace kx::app
