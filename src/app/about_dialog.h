#pragma once
// The About box: icon, the firmware identification the program carries, three lines of ours.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace kx::app {

class AboutDialog final : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

  private:
    std::unique_ptr<Ui::AboutDialog> ui_;
};

}  // namespace kx::app
