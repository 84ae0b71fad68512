#pragma once
// Typing filters of the main window's edits. A text the filter refuses never reaches the
// field (the keystroke or paste is undone); hexadecimal letters typed in lower case are
// shown in upper case (UpperCaseWhileTyping).

#include <QValidator>
#include <cstddef>

class QLineEdit;

namespace kx::app {

// Hexadecimal digits, at most `maxLength` of them (information address, read fields).
class HexFieldValidator final : public QValidator {
  public:
    HexFieldValidator(std::size_t maxLength, QObject* parent)
        : QValidator(parent), maxLength_(maxLength) {}
    void SetMaxLength(std::size_t maxLength) { maxLength_ = maxLength; }
    State validate(QString& input, int& pos) const override;

  private:
    std::size_t maxLength_;
};

// The serial number: decimal digits (at most 10, at most 2^32 - 1) or hexadecimal digits
// (at most 8), by the chosen style.
class SerialValidator final : public QValidator {
  public:
    explicit SerialValidator(QObject* parent) : QValidator(parent) {}
    void SetHex(bool hex) { hex_ = hex; }
    State validate(QString& input, int& pos) const override;

  private:
    bool hex_ = false;
};

// The product name: what the box's record can hold, 19 bytes once in GBK.
class ProductNameValidator final : public QValidator {
  public:
    explicit ProductNameValidator(QObject* parent) : QValidator(parent) {}
    State validate(QString& input, int& pos) const override;
};

// Decimal digits only, at most `maxLength` (the offline count limit).
class DigitsValidator final : public QValidator {
  public:
    DigitsValidator(std::size_t maxLength, QObject* parent)
        : QValidator(parent), maxLength_(maxLength) {}
    State validate(QString& input, int& pos) const override;

  private:
    std::size_t maxLength_;
};

// Turns a-f typed into `edit` into A-F at once; texts set by the program stay as they are.
void UpperCaseWhileTyping(QLineEdit& edit);

}  // namespace kx::app
